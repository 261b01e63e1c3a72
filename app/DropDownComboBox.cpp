#include "DropDownComboBox.h"

#include <QAbstractItemView>

DropDownComboBox::DropDownComboBox(QWidget *parent) : QComboBox(parent)
{
    setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
}

void DropDownComboBox::showPopup()
{
    emit dropDown();
    QComboBox::showPopup();
    // A list view that takes the keyboard with no current entry makes its first entry current,
    // and the first Down then goes to the second. Setting "none" through the view itself also
    // keeps it from doing so at a later focus change while the list is open.
    if (currentIndex() < 0)
        view()->setCurrentIndex(QModelIndex());
}
