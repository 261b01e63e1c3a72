#pragma once

#include <QApplication>

// The application title: the name in the desktop file, shown on the task bar, and the caption
// of the error report.
QString ApplicationTitle();

// The report for an error that ended an event handler: Text in an error box captioned with the
// application title.
void ReportHandlerError(QWidget *Parent, const QString &Text);

class QuillonApplication : public QApplication
{
public:
    QuillonApplication(int &argc, char **argv);
};
