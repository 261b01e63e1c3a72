#include "QuillonApplication.h"

#include "app/MessageBoxes.h"

#include <QIcon>

QString ApplicationTitle()
{
    return QStringLiteral("QXL - Quillon");
}

void ReportHandlerError(QWidget *Parent, const QString &Text)
{
    MessageBoxes::show(Parent, {MessageBoxes::Icon::Error, ApplicationTitle(), Text, {}});
}

QuillonApplication::QuillonApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    // No display name: Qt would append it to every window's caption. The title reaches the task
    // bar through the desktop file.
    setApplicationName(QStringLiteral("Quillon"));
    setDesktopFileName(QStringLiteral("quillon"));
    setWindowIcon(QIcon(QStringLiteral(":/quillon/quillon.png")));
}
