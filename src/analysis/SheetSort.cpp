// The sort order of a Sheet's cells (numbers before texts before empty
// cells) and the multi-column sort.

#include "analysis/Sheet.h"

#include "analysis/SheetColumn.h"

#include <algorithm>
#include <bit>
#include <numeric>

namespace tq::analysis {

namespace {

template <typename T> void applyPermutation(std::vector<T>& v, const std::vector<int>& order)
{
    if (v.empty())
        return;
    std::vector<T> out;
    out.reserve(v.size());
    for (int i : order)
        out.push_back(std::move(v[std::size_t(i)]));
    v = std::move(out);
}

} // namespace

int Sheet::compareCells(int column, int rowA, int rowB) const
{
    const Column& c = *m_columns[std::size_t(column)];
    const quint8 pa = c.kinds[std::size_t(rowA)];
    const quint8 pb = c.kinds[std::size_t(rowB)];
    auto rank = [](CellKind k) {
        switch (k) {
        case CellKind::Integer:
        case CellKind::Decimal:
            return 0;
        case CellKind::Text:
        case CellKind::StaticText:
            return 1;
        case CellKind::Empty:
            break;
        }
        return 2;
    };
    const CellKind ka = kindOf(pa);
    const CellKind kb = kindOf(pb);
    const int ra = rank(ka);
    const int rb = rank(kb);
    if (ra != rb)
        return ra < rb ? -1 : 1;
    if (ra == 0) {
        const quint64 a = c.numbers[std::size_t(rowA)];
        const quint64 b = c.numbers[std::size_t(rowB)];
        if (ka == CellKind::Integer && kb == CellKind::Integer)
            return qint64(a) < qint64(b) ? -1 : (qint64(a) > qint64(b) ? 1 : 0);
        const double da = ka == CellKind::Integer ? double(qint64(a)) : std::bit_cast<double>(a);
        const double db = kb == CellKind::Integer ? double(qint64(b)) : std::bit_cast<double>(b);
        return da < db ? -1 : (da > db ? 1 : 0);
    }
    if (ra == 1) {
        const quint32 a = c.texts[std::size_t(rowA)];
        const quint32 b = c.texts[std::size_t(rowB)];
        if (a == b)
            return 0;
        const int r = c.pool->view(a).compare(c.pool->view(b));
        return r < 0 ? -1 : (r > 0 ? 1 : 0);
    }
    return 0;
}

void Sheet::sort(std::span<const SortKey> keys)
{
    std::vector<SortKey> valid;
    for (const SortKey& k : keys)
        if (k.column >= 0 && k.column < columnCount())
            valid.push_back(k);
    if (valid.empty() || m_rowCount < 2)
        return;
    std::vector<int> order(static_cast<std::size_t>(m_rowCount));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        for (const SortKey& k : valid) {
            const int r = compareCells(k.column, a, b);
            if (r != 0)
                return k.descending ? r > 0 : r < 0;
        }
        return false;
    });
    for (auto& c : m_columns) {
        applyPermutation(c->kinds, order);
        applyPermutation(c->numbers, order);
        applyPermutation(c->texts, order);
        applyPermutation(c->back, order);
        applyPermutation(c->fore, order);
    }
    applyPermutation(m_rowTags, order);
}

} // namespace tq::analysis
