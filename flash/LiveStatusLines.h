#pragma once

#include <QStringList>

class QIODevice;

// A block of status lines kept at the bottom of a terminal: other text is printed above it, and
// the block is redrawn in place.
class LiveStatusLines
{
public:
    LiveStatusLines(QIODevice &Out, int Width);

    // The terminal's columns from the next redraw on: a line never takes its last one.
    void setWidth(int Width) { width = Width; }
    // Redraws the block when it changed. A line may carry colours (SGR sequences), which take no
    // column.
    void show(const QStringList &Lines);
    void printAbove(const QString &Text);
    // Removes the block; later text starts where it stood.
    void clear();

private:
    void erase();
    void draw();

    QIODevice &out;
    int width;
    QStringList shown;
    bool drawn = false;
};
