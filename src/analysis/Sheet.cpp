#include "analysis/Sheet.h"

#include "analysis/SheetColumn.h"
#include "common/VbNumber.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <numeric>
#include <stdexcept>

namespace tq::analysis {

namespace {

const QString& decimalPattern(int places)
{
    static const std::array<QString, kMaxPlaces + 1> patterns = [] {
        std::array<QString, kMaxPlaces + 1> p;
        p[0] = QStringLiteral("0");
        for (int i = 1; i <= kMaxPlaces; ++i)
            p[std::size_t(i)] = QStringLiteral("0.") + QString(i, QLatin1Char('0'));
        return p;
    }();
    return patterns[std::size_t(places)];
}

template <typename T> void eraseAt(std::vector<T>& v, int row)
{
    if (!v.empty())
        v.erase(v.begin() + row);
}

} // namespace

Sheet::Sheet() = default;
Sheet::~Sheet() = default;
Sheet::Sheet(Sheet&&) noexcept = default;
Sheet& Sheet::operator=(Sheet&&) noexcept = default;

Sheet::Sheet(const Sheet& other) : m_rowCount(other.m_rowCount), m_rowTags(other.m_rowTags), m_tag(other.m_tag)
{
    m_columns.reserve(other.m_columns.size());
    for (const auto& c : other.m_columns)
        m_columns.push_back(std::make_unique<Column>(*c));
}

Sheet& Sheet::operator=(const Sheet& other)
{
    if (this != &other) {
        Sheet copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Sheet::Column& Sheet::col(int column)
{
    if (column < 0 || column >= columnCount())
        throw std::out_of_range("Sheet: column out of range");
    return *m_columns[std::size_t(column)];
}

const Sheet::Column& Sheet::col(int column) const
{
    if (column < 0 || column >= columnCount())
        throw std::out_of_range("Sheet: column out of range");
    return *m_columns[std::size_t(column)];
}

void Sheet::checkCell(int row, int column) const
{
    if (row < 0 || row >= m_rowCount || column < 0 || column >= columnCount())
        throw std::out_of_range("Sheet: cell out of range");
}

void Sheet::setColumnCount(int count)
{
    count = std::max(count, 0);
    while (columnCount() > count)
        m_columns.pop_back();
    while (columnCount() < count) {
        auto c = std::make_unique<Column>();
        c->resize(m_rowCount);
        m_columns.push_back(std::move(c));
    }
}

QString Sheet::header(int column) const
{
    return col(column).header;
}
void Sheet::setHeader(int column, const QString& text)
{
    col(column).header = text;
}

QStringList Sheet::headers() const
{
    QStringList out;
    out.reserve(columnCount());
    for (const auto& c : m_columns)
        out << c->header;
    return out;
}

int Sheet::columnOfHeader(QStringView text) const
{
    for (int i = 0; i < columnCount(); ++i)
        if (m_columns[std::size_t(i)]->header == text)
            return i;
    return -1;
}

double Sheet::columnWidth(int column) const
{
    return col(column).width;
}
void Sheet::setColumnWidth(int column, double width)
{
    Column& c = col(column);
    c.width = std::max(width, 0.0);
    c.widthSet = true;
}

bool Sheet::hasColumnWidth(int column) const
{
    return col(column).widthSet;
}

void Sheet::setRowCount(int count)
{
    count = std::max(count, 0);
    for (auto& c : m_columns)
        c->resize(count);
    if (!m_rowTags.empty())
        m_rowTags.resize(std::size_t(count));
    m_rowCount = count;
}

int Sheet::appendRow()
{
    for (auto& c : m_columns) {
        c->kinds.push_back(packKind(CellKind::Empty));
        if (!c->numbers.empty())
            c->numbers.push_back(0);
        if (!c->texts.empty())
            c->texts.push_back(0);
        if (!c->back.empty())
            c->back.push_back(kDefaultColour);
        if (!c->fore.empty())
            c->fore.push_back(kDefaultColour);
    }
    if (!m_rowTags.empty())
        m_rowTags.emplace_back();
    return m_rowCount++;
}

void Sheet::removeRow(int row)
{
    if (row < 0 || row >= m_rowCount)
        throw std::out_of_range("Sheet: row out of range");
    for (auto& c : m_columns) {
        eraseAt(c->kinds, row);
        eraseAt(c->numbers, row);
        eraseAt(c->texts, row);
        eraseAt(c->back, row);
        eraseAt(c->fore, row);
    }
    eraseAt(m_rowTags, row);
    --m_rowCount;
}

void Sheet::clearRows()
{
    for (auto& c : m_columns) {
        Column empty;
        empty.header = c->header;
        empty.width = c->width;
        empty.widthSet = c->widthSet;
        empty.distinctTexts = c->distinctTexts;
        *c = std::move(empty);
    }
    m_rowTags.clear();
    m_rowCount = 0;
}

void Sheet::clear()
{
    m_columns.clear();
    m_rowTags.clear();
    m_rowCount = 0;
}

CellKind Sheet::kind(int row, int column) const
{
    checkCell(row, column);
    return kindOf(col(column).kinds[std::size_t(row)]);
}

bool Sheet::isNumber(int row, int column) const
{
    const CellKind k = kind(row, column);
    return k == CellKind::Integer || k == CellKind::Decimal;
}

void Sheet::setEmpty(int row, int column)
{
    checkCell(row, column);
    col(column).kinds[std::size_t(row)] = packKind(CellKind::Empty);
}

void Sheet::setInteger(int row, int column, qint64 value)
{
    checkCell(row, column);
    Column& c = col(column);
    if (c.numbers.empty())
        c.numbers.resize(std::size_t(m_rowCount), 0);
    c.numbers[std::size_t(row)] = quint64(value);
    c.kinds[std::size_t(row)] = packKind(CellKind::Integer);
}

void Sheet::setDecimal(int row, int column, double value, int places)
{
    checkCell(row, column);
    Column& c = col(column);
    if (c.numbers.empty())
        c.numbers.resize(std::size_t(m_rowCount), 0);
    c.numbers[std::size_t(row)] = std::bit_cast<quint64>(value);
    c.kinds[std::size_t(row)] = packKind(CellKind::Decimal, std::clamp(places, 0, kMaxPlaces));
}

TextPool& Sheet::writablePool(int row, int column)
{
    checkCell(row, column);
    Column& c = col(column);
    if (c.texts.empty())
        c.texts.resize(std::size_t(m_rowCount), 0);
    if (!c.pool)
        c.pool = std::make_shared<TextPool>();
    else if (c.pool.use_count() > 1)
        c.pool = std::make_shared<TextPool>(*c.pool); // copies made by copying the sheet share until written
    return *c.pool;
}

void Sheet::setTextCell(int row, int column, QStringView text, CellKind kind)
{
    TextPool& pool = writablePool(row, column);
    Column& c = *m_columns[std::size_t(column)];
    c.texts[std::size_t(row)] = pool.intern(text, !c.distinctTexts);
    c.kinds[std::size_t(row)] = packKind(kind);
}

void Sheet::setText(int row, int column, QStringView text)
{
    setTextCell(row, column, text, CellKind::Text);
}

void Sheet::setTextUtf8(int row, int column, QByteArrayView utf8)
{
    TextPool& pool = writablePool(row, column);
    Column& c = *m_columns[std::size_t(column)];
    c.texts[std::size_t(row)] = pool.internUtf8(utf8, !c.distinctTexts);
    c.kinds[std::size_t(row)] = packKind(CellKind::Text);
}

void Sheet::copyCell(int fromRow, int row, int column)
{
    checkCell(fromRow, column);
    checkCell(row, column);
    Column& c = *m_columns[std::size_t(column)];
    const auto from = std::size_t(fromRow);
    const auto to = std::size_t(row);
    c.kinds[to] = c.kinds[from];
    if (!c.numbers.empty())
        c.numbers[to] = c.numbers[from];
    if (!c.texts.empty())
        c.texts[to] = c.texts[from];
}

void Sheet::setColumnTextsDistinct(int column, bool distinct)
{
    col(column).distinctTexts = distinct;
}
void Sheet::setStaticText(int row, int column, QStringView text)
{
    setTextCell(row, column, text, CellKind::StaticText);
}

double Sheet::number(int row, int column) const
{
    checkCell(row, column);
    const Column& c = col(column);
    switch (kindOf(c.kinds[std::size_t(row)])) {
    case CellKind::Integer:
        return double(qint64(c.numbers[std::size_t(row)]));
    case CellKind::Decimal:
        return std::bit_cast<double>(c.numbers[std::size_t(row)]);
    default:
        return 0.0;
    }
}

qint64 Sheet::integer(int row, int column) const
{
    checkCell(row, column);
    const Column& c = col(column);
    switch (kindOf(c.kinds[std::size_t(row)])) {
    case CellKind::Integer:
        return qint64(c.numbers[std::size_t(row)]);
    case CellKind::Decimal:
        return qint64(std::bit_cast<double>(c.numbers[std::size_t(row)]));
    default:
        return 0;
    }
}

int Sheet::decimalPlaces(int row, int column) const
{
    checkCell(row, column);
    return placesOf(col(column).kinds[std::size_t(row)]);
}

QStringView Sheet::textView(int row, int column) const
{
    checkCell(row, column);
    const Column& c = col(column);
    const CellKind k = kindOf(c.kinds[std::size_t(row)]);
    if (k != CellKind::Text && k != CellKind::StaticText)
        return {};
    return c.pool->view(c.texts[std::size_t(row)]);
}

QString Sheet::displayText(int row, int column) const
{
    return displayText(row, column, -1);
}

QString Sheet::displayText(int row, int column, int places) const
{
    checkCell(row, column);
    const Column& c = col(column);
    const quint8 packed = c.kinds[std::size_t(row)];
    switch (kindOf(packed)) {
    case CellKind::Integer:
        return QString::number(qint64(c.numbers[std::size_t(row)]));
    case CellKind::Decimal: {
        const double v = std::bit_cast<double>(c.numbers[std::size_t(row)]);
        if (!std::isfinite(v))
            return common::shortestDecimal(v);
        return common::vbFormat(v, decimalPattern(places < 0 ? placesOf(packed) : std::min(places, kMaxPlaces)));
    }
    case CellKind::Text:
    case CellKind::StaticText:
        return c.pool->view(c.texts[std::size_t(row)]).toString();
    case CellKind::Empty:
        break;
    }
    return {};
}

QString Sheet::toTsv(const SheetRange& range) const
{
    const int firstRow = std::max(range.firstRow, -1);
    const int lastRow = std::min(range.lastRow, m_rowCount - 1);
    const int firstColumn = std::max(range.firstColumn, 0);
    const int lastColumn = std::min(range.lastColumn, columnCount() - 1);
    QString out;
    for (int r = firstRow; r <= lastRow; ++r) {
        for (int c = firstColumn; c <= lastColumn; ++c) {
            if (c > firstColumn)
                out += QLatin1Char('\t');
            out += r < 0 ? m_columns[std::size_t(c)]->header : displayText(r, c);
        }
        out += QLatin1String("\r\n");
    }
    return out;
}

std::size_t Sheet::memoryBytes() const
{
    std::size_t total = sizeof(Sheet) + m_rowTags.capacity() * sizeof(QString);
    for (const auto& c : m_columns) {
        total += sizeof(Column) + c->kinds.capacity() + c->numbers.capacity() * sizeof(quint64) +
                 c->texts.capacity() * sizeof(quint32) + c->back.capacity() * sizeof(qint32) +
                 c->fore.capacity() * sizeof(qint32);
        if (c->pool)
            total += c->pool->bytes();
    }
    for (const QString& t : m_rowTags)
        total += std::size_t(t.capacity()) * 2;
    return total;
}

} // namespace tq::analysis
