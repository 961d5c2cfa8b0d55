#include "analysis/Sheet.h"

#include "common/VbNumber.h"

#include <QHashFunctions>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <numeric>
#include <stdexcept>

namespace tq::analysis {

namespace {

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

template <typename T> void eraseAt(std::vector<T>& v, int row)
{
    if (!v.empty())
        v.erase(v.begin() + row);
}

} // namespace

// Texts of one column in one UTF-16 buffer: entries of [length low 16 bits]
// [length high 16 bits][characters], referred to by their offset. A text equal
// to the one stored last reuses its entry (the rows of a race repeat its
// texts). Other repeats are found through an open-addressing table of entry
// offsets (offset + 1; 0 marks a free slot) with each entry's hash, so a probe
// that meets another text rarely reads its characters. Columns of keys skip
// the table (`lookUp` false): their texts are nearly all distinct, and the
// table would only cost time and memory.
class TextPool {
  public:
    quint32 intern(QStringView text, bool lookUp)
    {
        if (m_last != kNone && view(m_last) == text)
            return m_last;
        if (!lookUp)
            return m_last = append(text);
        if (m_slots.empty() || (m_used + 1) * 2 > m_slots.size())
            grow();
        const auto hash = quint32(qHash(text));
        const std::size_t mask = m_slots.size() - 1;
        std::size_t i = hash & mask;
        while (const quint32 entry = m_slots[i].entry) {
            if (m_slots[i].hash == hash && view(entry - 1) == text)
                return m_last = entry - 1;
            i = (i + 1) & mask;
        }
        m_last = append(text);
        m_slots[i] = {m_last + 1, hash};
        ++m_used;
        return m_last;
    }

    // The same for UTF-8 bytes. Texts that are looked up are decoded into a
    // buffer the pool keeps; others straight into place, taken back when they
    // repeat the last text.
    quint32 internUtf8(QByteArrayView utf8, bool lookUp)
    {
        const auto room = std::size_t(utf8Decoder().requiredSpace(utf8.size()));
        if (lookUp) {
            m_decoded.resize(room);
            return intern(QStringView(m_decoded.data(), decode(utf8, m_decoded.data())), true);
        }
        const std::size_t offset = m_chars.size();
        m_chars.resize(offset + 2 + room);
        const qsizetype length = decode(utf8, m_chars.data() + offset + 2);
        m_chars.resize(offset + 2 + std::size_t(length));
        if (m_last != kNone && view(m_last) == QStringView(m_chars.data() + offset + 2, length)) {
            m_chars.resize(offset);
            return m_last;
        }
        m_chars[offset] = char16_t(quint32(length) & 0xFFFF);
        m_chars[offset + 1] = char16_t(quint32(length) >> 16);
        return m_last = quint32(offset);
    }

    QStringView view(quint32 offset) const
    {
        const quint32 length = quint32(m_chars[offset]) | (quint32(m_chars[offset + 1]) << 16);
        return QStringView(m_chars.data() + offset + 2, qsizetype(length));
    }

    std::size_t bytes() const
    {
        return m_chars.capacity() * sizeof(char16_t) + m_slots.capacity() * sizeof(Slot) +
               m_decoded.capacity() * sizeof(char16_t);
    }

  private:
    static constexpr quint32 kNone = 0xFFFFFFFF;

    struct Slot {
        quint32 entry = 0; // offset + 1
        quint32 hash = 0;
    };

    // Decodes as QString::fromUtf8 does: a leading byte order mark is dropped.
    static QStringDecoder utf8Decoder()
    {
        return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    }

    // Decodes into `out` (room for requiredSpace units); returns the units
    // written. ASCII and well-formed two- and three-byte sequences (Japanese
    // text) are decoded here, where every decoder agrees; a text with
    // anything else (four-byte sequences, bad bytes, a leading byte order
    // mark, noncharacters) is left whole to Qt's decoder.
    static qsizetype decode(QByteArrayView utf8, char16_t* out)
    {
        const auto* p = reinterpret_cast<const uchar*>(utf8.data());
        const auto* const end = p + utf8.size();
        auto continuation = [](uchar b) { return (b & 0xC0) == 0x80; };
        char16_t* o = out;
        while (p < end) {
            const uchar b = *p;
            if (b < 0x80) {
                *o++ = b;
                ++p;
            } else if (b >= 0xC2 && b <= 0xDF && end - p >= 2 && continuation(p[1])) {
                *o++ = char16_t(((b & 0x1F) << 6) | (p[1] & 0x3F));
                p += 2;
            } else if (b >= 0xE0 && b <= 0xEF && end - p >= 3 && continuation(p[1]) && continuation(p[2])) {
                const auto c = char16_t(((b & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
                const bool plain = c >= 0x800 && (c < 0xD800 || c > 0xDFFF) && (c < 0xFDD0 || c > 0xFDEF) &&
                                   c < 0xFFFE && !(c == 0xFEFF && o == out);
                if (!plain)
                    return qtDecode(utf8, out);
                *o++ = c;
                p += 3;
            } else {
                return qtDecode(utf8, out);
            }
        }
        return o - out;
    }

    static qsizetype qtDecode(QByteArrayView utf8, char16_t* out)
    {
        QStringDecoder decoder = utf8Decoder();
        return decoder.appendToBuffer(reinterpret_cast<QChar*>(out), utf8) - reinterpret_cast<QChar*>(out);
    }

    quint32 append(QStringView text)
    {
        const auto offset = quint32(m_chars.size());
        const auto length = quint32(text.size());
        m_chars.push_back(char16_t(length & 0xFFFF));
        m_chars.push_back(char16_t(length >> 16));
        m_chars.insert(m_chars.end(), text.utf16(), text.utf16() + text.size());
        return offset;
    }

    void grow()
    {
        std::vector<Slot> old = std::move(m_slots);
        m_slots.assign(old.empty() ? 64 : old.size() * 2, Slot{});
        const std::size_t mask = m_slots.size() - 1;
        for (const Slot& slot : old) {
            if (!slot.entry)
                continue;
            std::size_t i = slot.hash & mask;
            while (m_slots[i].entry)
                i = (i + 1) & mask;
            m_slots[i] = slot;
        }
    }

    std::vector<char16_t> m_chars;
    std::vector<Slot> m_slots;
    std::size_t m_used = 0;
    quint32 m_last = kNone;
    std::vector<char16_t> m_decoded;
};

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

qint32 Sheet::backColour(int row, int column) const
{
    checkCell(row, column);
    const Column& c = col(column);
    return c.back.empty() ? kDefaultColour : c.back[std::size_t(row)];
}

void Sheet::setBackColour(int row, int column, qint32 colour)
{
    checkCell(row, column);
    Column& c = col(column);
    if (c.back.empty()) {
        if (colour == kDefaultColour)
            return;
        c.back.assign(std::size_t(m_rowCount), kDefaultColour);
    }
    c.back[std::size_t(row)] = colour;
}

qint32 Sheet::foreColour(int row, int column) const
{
    checkCell(row, column);
    const Column& c = col(column);
    return c.fore.empty() ? kDefaultColour : c.fore[std::size_t(row)];
}

void Sheet::setForeColour(int row, int column, qint32 colour)
{
    checkCell(row, column);
    Column& c = col(column);
    if (c.fore.empty()) {
        if (colour == kDefaultColour)
            return;
        c.fore.assign(std::size_t(m_rowCount), kDefaultColour);
    }
    c.fore[std::size_t(row)] = colour;
}

QString Sheet::rowTag(int row) const
{
    if (row < 0 || row >= m_rowCount)
        throw std::out_of_range("Sheet: row out of range");
    return m_rowTags.empty() ? QString() : m_rowTags[std::size_t(row)];
}

void Sheet::setRowTag(int row, const QString& tag)
{
    if (row < 0 || row >= m_rowCount)
        throw std::out_of_range("Sheet: row out of range");
    if (m_rowTags.empty()) {
        if (tag.isEmpty())
            return;
        m_rowTags.resize(std::size_t(m_rowCount));
    }
    m_rowTags[std::size_t(row)] = tag;
}

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
