#pragma once

#include <QApplication>

#include <exception>

// The application title: the name in the desktop file, shown on the task bar, and the caption
// of the error report.
QString ApplicationTitle();

// The report for an error that escaped an event handler: its text in an error box captioned with
// the application title. The event loop goes on afterwards.
void ReportEscapedError(const std::exception &error);

class QuillonApplication : public QApplication
{
public:
    QuillonApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
