#pragma once

#include <QComboBox>

// A drop-down list that tells its owner each time it is about to open, so the owner can refill it.
class DropDownComboBox : public QComboBox
{
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;

signals:
    void dropDown();
};
