#pragma once

#include "engine/PortBoard.h"

#include <QString>
#include <QStringList>

// What a port's state reads like on a terminal: its live line, and the line printed when its
// state changes. The texts stand beside the Russian log, so they speak Russian too.

// How a state is coloured where the terminal takes colours; never colour alone: the words say it.
enum class Tone
{
    Plain,
    Good,
    Bad
};

// One port's line in pieces, so that a narrow terminal shortens what may be shortened: the port's
// name first, then the details at the end, then a failure's reason; the state's own words never.
struct PortLine
{
    QString port;     // shortened from its start ("…if00-port0 (/dev/ttyUSB0)")
    QString state;    // the state's words before the reason
    QString reason;   // a failure's reason; shortened at its end
    QString stateEnd; // the state's words after the reason
    Tone tone = Tone::Plain;
    int stateColumn = 0; // the state is padded to this while details follow it, so they align
    QStringList extras;  // time, gauge, the file on its way: dropped from the last
    QString counts; // a station port's counts, "(запрограммировано: 1, сбоев: 0)"; the first
                    // detail to go
};

// A station port: "ожидает модем", "программирование" with the file on its way, "запрограммирован,
// снимите модем", "ОШИБКА: <reason>, снимите модем", "уже запрограммирован, снимите модем",
// "остановка", "остановлен"; its counts at the end.
PortLine StationLine(const PortState &State);
// A single run's port: its phase while it runs, its outcome once ended (a failure with its
// reason), with the time it took, the files done and the file on its way.
PortLine RunLine(const PortState &State, qint64 ElapsedMs);
// The line printed when a port's state changes: the state in full (the reason not shortened),
// with a station port's counts.
QString StateChangeText(const PortLine &Line);

// The width the ports' names share on the live lines: the longest label, unless the terminal is
// too narrow for every line's state beside it.
int PortColumn(const QList<PortLine> &Lines, int Width);
// Lays a line out within Width columns, keeping the last one free so that it never wraps; the
// state is coloured when Colours.
QString FitLine(const PortLine &Line, int PortWidth, int Width, bool Colours);

// The line with every character that could drive a terminal (controls other than TAB, format
// characters) written as an escape: ESC becomes \x1B.
QString TerminalSafe(const QString &Line);
// "02:05" for 125 s; hours are added when needed.
QString ElapsedText(qint64 Milliseconds);
// "запрограммировано: 2, сбоев: 1".
QString CountsText(const StationTally &Counts);
// A single run's outcome in a word: "запрограммирован", "ОШИБКА", "НЕТ ОТКЛИКА", "ПРЕРВАН".
QString OutcomeLabel(PortOutcome Outcome);
