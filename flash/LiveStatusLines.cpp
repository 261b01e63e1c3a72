#include "LiveStatusLines.h"

#include <QIODevice>

LiveStatusLines::LiveStatusLines(QIODevice &Out, int Width) : out(Out), width(Width) {}

void LiveStatusLines::show(const QStringList &Lines)
{
    if (drawn && Lines == shown)
        return;
    erase();
    shown = Lines;
    draw();
}

void LiveStatusLines::printAbove(const QString &Text)
{
    erase();
    out.write(Text.toUtf8());
    draw();
}

void LiveStatusLines::clear()
{
    erase();
    shown.clear();
}

void LiveStatusLines::erase()
{
    if (!drawn || shown.isEmpty())
        return;
    // Up to the first line of the block, then clear to the end of the screen.
    out.write(QStringLiteral("\x1b[%1A\r\x1b[J").arg(shown.size()).toUtf8());
    drawn = false;
}

void LiveStatusLines::draw()
{
    QString block;
    for (const QString &line : std::as_const(shown))
        block += line.left(width - 1) + u'\n'; // a wrapped line would break the count of lines
    out.write(block.toUtf8());
    drawn = true;
}
