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
    // To the start of the block's first line in one step (CPL), then clear to the end of the
    // screen. Moving up and then returning the carriage is not the same to every console: Wine's
    // loses the move.
    out.write(QStringLiteral("\x1b[%1F\x1b[J").arg(shown.size()).toUtf8());
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
