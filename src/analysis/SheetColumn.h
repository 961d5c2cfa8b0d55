#pragma once
// The storage of one column of a Sheet, shared by the files that implement
// Sheet: a kind byte per cell (with a decimal cell's places), the numbers as
// 64-bit patterns, the texts as offsets into a TextPool, and the colours;
// each vector stays empty until a cell needs it.

#include "analysis/Sheet.h"
#include "analysis/TextPool.h"

#include <QtGlobal>

#include <memory>
#include <vector>

namespace tq::analysis {

constexpr int kMaxPlaces = 15;

// The kind byte keeps the kind in its low three bits and the decimal places
// of a Decimal cell above them.
constexpr quint8 packKind(CellKind kind, int places = 0)
{
    return quint8(quint8(kind) | (places << 3));
}
constexpr CellKind kindOf(quint8 packed)
{
    return CellKind(packed & 7);
}
constexpr int placesOf(quint8 packed)
{
    return packed >> 3;
}

struct Sheet::Column {
    QString header;
    double width = kDefaultColumnWidth;
    bool widthSet = false;
    std::vector<quint8> kinds;
    std::vector<quint64> numbers;   // bits of a qint64 or a double, by kind; empty until a number is set
    std::vector<quint32> texts;     // pool offsets; empty until a text is set
    std::shared_ptr<TextPool> pool; // shared by copies until one of them adds a text
    bool distinctTexts = false;     // texts are stored without looking for an equal one
    std::vector<qint32> back, fore; // empty until a colour is set

    void resize(int rows)
    {
        kinds.resize(std::size_t(rows), packKind(CellKind::Empty));
        if (!numbers.empty())
            numbers.resize(std::size_t(rows), 0);
        if (!texts.empty())
            texts.resize(std::size_t(rows), 0);
        if (!back.empty())
            back.resize(std::size_t(rows), kDefaultColour);
        if (!fore.empty())
            fore.resize(std::size_t(rows), kDefaultColour);
    }
};

} // namespace tq::analysis
