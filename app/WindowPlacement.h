#pragma once

#include <QString>

class QWidget;

// Keeps the main window's position and size and the log panel's visibility and height in
// "Quillon.ini" between runs of the program.
class WindowPlacement
{
public:
    // The store in the user's configuration folder.
    static QString defaultFile();

    explicit WindowPlacement(QString fileName) : file(std::move(fileName)) {}

    // Leaves the widgets as they are when nothing was stored yet.
    void restore(QWidget &window, QWidget &logPanel) const;
    void save(const QWidget &window, const QWidget &logPanel) const;

private:
    QString file;
};
