#include "MessageBoxes.h"

#include <QMessageBox>
#include <QRegularExpression>

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

// Each sentence on a line of its own, so that the box is as wide as its longest sentence and a line
// never breaks inside one; spaces at the end of the text stay.
QString sentencePerLine(const QString &text)
{
    static const QRegularExpression sentenceEnd(QStringLiteral("(?<=[.!?])\\s+(?=\\S)"));
    return QString(text).replace(sentenceEnd, QStringLiteral("\n"));
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
    QMessageBox message(toQt(box.icon), box.caption, sentencePerLine(box.text), QMessageBox::Ok,
                        parent);
    message.setTextFormat(Qt::PlainText);
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
