#include "QuillonApplication.h"

#include "app/MessageBoxes.h"

#include <QIcon>

QString ApplicationTitle()
{
    return QStringLiteral("QXL - Quillon");
}

void ReportEscapedError(const std::exception &error)
{
    MessageBoxes::show(QApplication::activeWindow(), {MessageBoxes::Icon::Error, ApplicationTitle(),
                                                      QString::fromUtf8(error.what())});
}

QuillonApplication::QuillonApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    // No display name: Qt would append it to every window's caption. The title reaches the task
    // bar through the desktop file.
    setApplicationName(QStringLiteral("Quillon"));
    setDesktopFileName(QStringLiteral("quillon"));
    setWindowIcon(QIcon(QStringLiteral(":/quillon/quillon.png")));
}

bool QuillonApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        ReportEscapedError(error);
    } catch (...) {
        ReportEscapedError(std::runtime_error("Unknown error"));
    }
    return false;
}
