#pragma once

#include <QString>

#include <functional>

class QWidget;

// Every message box of the program passes through here: a modal box with a single OK button.
// A test installs an answerer that records the box and returns at once instead of blocking.
namespace MessageBoxes {

enum class Icon
{
    Information,
    Warning,
    Error
};

struct Box
{
    Icon icon;
    QString caption;
    QString text;
    QString informative; // under the text, smaller: the detail behind it; empty: none
};

using Answerer = std::function<void(const Box &)>;
// Answers a question: true for yes.
using QuestionAnswerer = std::function<bool(const Box &)>;

// Replaces the real boxes; an empty answerer brings them back.
void setAnswerer(Answerer answerer);

// Replaces the real questions; an empty answerer brings them back.
void setQuestionAnswerer(QuestionAnswerer answerer);

// A question with the buttons yes and no, no the default; true when the user said yes.
bool ask(QWidget *parent, const QString &caption, const QString &text);

// Returns when the user has closed the box.
void show(QWidget *parent, const Box &box);

// Caption "Сообщение" with the given icon.
void showMessage(QWidget *parent, Icon icon, const QString &text);
// Caption "Ошибка", error icon.
void showError(QWidget *parent, const QString &text);
// The caption of an error box: "Ошибка".
QString ErrorCaption();

} // namespace MessageBoxes
