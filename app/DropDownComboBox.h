#pragma once

#include <QComboBox>

// A drop-down list that tells its owner each time it is about to open, so the owner can refill it.
// It opens as a list of at most maxVisibleItems() rows in every style, also in those that would
// otherwise show all entries as a menu. Opened with no entry chosen, it shows none highlighted,
// so that the first Down lands on the first entry.
class DropDownComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit DropDownComboBox(QWidget *parent = nullptr);
    void showPopup() override;

signals:
    void dropDown();
};
