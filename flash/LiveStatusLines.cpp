#include "LiveStatusLines.h"

#include <QIODevice>

namespace {

// The line cut to Columns shown characters; an escape sequence takes none, and a colour that the
// cut leaves open is closed.
QString cutToColumns(const QString &Line, int Columns)
{
    QString cut;
    int shown = 0;
    bool coloured = false;
    for (qsizetype index = 0; index < Line.size(); ++index) {
        if (Line.at(index) == u'\x1b' && index + 1 < Line.size() && Line.at(index + 1) == u'[') {
            qsizetype end = index + 2;
            while (end < Line.size() && (Line.at(end) < u'@' || Line.at(end) > u'~'))
                ++end;
            const QString sequence = Line.mid(index, end - index + 1);
            coloured = sequence != QStringLiteral("\x1b[0m");
            cut += sequence;
            index = end;
            continue;
        }
        if (shown == Columns)
            return coloured ? cut + QStringLiteral("\x1b[0m") : cut;
        cut += Line.at(index);
        ++shown;
    }
    return cut;
}

} // namespace

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
        block += cutToColumns(line, width - 1) + u'\n'; // a wrapped line would break the count
    out.write(block.toUtf8());
    drawn = true;
}
