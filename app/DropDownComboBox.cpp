#include "DropDownComboBox.h"

DropDownComboBox::DropDownComboBox(QWidget *parent) : QComboBox(parent)
{
    setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
}

void DropDownComboBox::showPopup()
{
    emit dropDown();
    QComboBox::showPopup();
}
