#include "MessageBoxes.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>

#include <algorithm>

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

// A message box wraps its text at half the screen's width, and on a small screen it then cuts the
// wrapped lines off; lines that fit the screen are kept whole instead.
void keepLinesWhole(QMessageBox &message, const QString &text)
{
    auto *label = message.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    if (label == nullptr)
        return;
    int widest = 0;
    for (const QString &line : text.split(u'\n'))
        widest = std::max(widest, label->fontMetrics().horizontalAdvance(line));
    label->setMinimumWidth(std::min(widest, message.screen()->availableGeometry().width() * 3 / 4));
}

QuestionAnswerer &installedQuestionAnswerer()
{
    static QuestionAnswerer answerer;
    return answerer;
}

} // namespace

void setQuestionAnswerer(QuestionAnswerer answerer)
{
    installedQuestionAnswerer() = std::move(answerer);
}

bool ask(QWidget *parent, const QString &caption, const QString &text)
{
    if (installedQuestionAnswerer())
        return installedQuestionAnswerer()({Icon::Warning, caption, text, {}});
    QMessageBox question(QMessageBox::Question, caption, sentencePerLine(text),
                         QMessageBox::Yes | QMessageBox::No, parent);
    question.setTextFormat(Qt::PlainText);
    question.setDefaultButton(QMessageBox::No);
    return question.exec() == QMessageBox::Yes;
}

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
    const QString text = sentencePerLine(box.text);
    QMessageBox message(toQt(box.icon), box.caption, text, QMessageBox::Ok, parent);
    message.setTextFormat(Qt::PlainText);
    message.setInformativeText(box.informative);
    // A reason may quote a file or a modem's answer: shown as written, never as markup.
    if (auto *detail = message.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        detail->setTextFormat(Qt::PlainText);
    keepLinesWhole(message, text);
    message.exec();
}

QString ErrorCaption()
{
    return QCoreApplication::translate("MessageBoxes", "Ошибка");
}

void showMessage(QWidget *parent, Icon icon, const QString &text)
{
    show(parent, {icon, QCoreApplication::translate("MessageBoxes", "Сообщение"), text, {}});
}

void showError(QWidget *parent, const QString &text)
{
    show(parent, {Icon::Error, ErrorCaption(), text, {}});
}

} // namespace MessageBoxes
