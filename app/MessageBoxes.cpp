#include "MessageBoxes.h"

#include <QMessageBox>

namespace MessageBoxes {

namespace {

Answerer &installedAnswerer()
{
    static Answerer answerer;
    return answerer;
}

QMessageBox::Icon toQt(Icon icon)
{
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Error:
        break;
    }
    return QMessageBox::Critical;
}

} // namespace

void setAnswerer(Answerer answerer)
{
    installedAnswerer() = std::move(answerer);
}

void show(QWidget *parent, const Box &box)
{
    if (installedAnswerer()) {
        installedAnswerer()(box);
        return;
    }
    QMessageBox message(toQt(box.icon), box.caption, box.text, QMessageBox::Ok, parent);
    message.exec();
}

void showMessage(QWidget *parent, Icon icon, const QString &text)
{
    show(parent, {icon, QStringLiteral("Сообщение"), text});
}

void showError(QWidget *parent, const QString &text)
{
    show(parent, {Icon::Error, QStringLiteral("Ошибка"), text});
}

} // namespace MessageBoxes
