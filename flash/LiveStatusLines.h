#pragma once

#include <QStringList>

class QIODevice;

// A block of status lines kept at the bottom of a terminal: other text is printed above it, and
// the block is redrawn in place.
class LiveStatusLines
{
public:
    LiveStatusLines(QIODevice &Out, int Width);

    // Redraws the block when it changed.
    void show(const QStringList &Lines);
    void printAbove(const QString &Text);
    // Removes the block; later text starts where it stood.
    void clear();

private:
    void erase();
    void draw();

    QIODevice &out;
    const int width;
    QStringList shown;
    bool drawn = false;
};
