#pragma once

#include <QByteArray>

#include <algorithm>
#include <utility>

// Looks for a text in a buffer that only grows between calls, reading each new byte a bounded
// number of times, so that a long wait costs time in proportion to what arrived. An empty text
// is never found.
class GrowingTextSearch
{
public:
    explicit GrowingTextSearch(QByteArray Needle) : needle(std::move(Needle)) {}

    // Whether the text occurs in Haystack, which is expected to be the previous one grown at its
    // end; a shorter one is searched from its start.
    bool FoundIn(const QByteArray &Haystack)
    {
        if (needle.isEmpty())
            return false;
        if (Haystack.size() < searchedSize)
            searchedSize = 0;
        // A match may straddle the old end, so keep the last needle-length-minus-one bytes.
        const qsizetype from = std::max<qsizetype>(0, searchedSize - needle.size() + 1);
        searchedSize = Haystack.size();
        return Haystack.indexOf(needle, from) >= 0;
    }

private:
    QByteArray needle;
    qsizetype searchedSize = 0;
};
