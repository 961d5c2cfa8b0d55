#include "store/TranslationCache.h"

#include "store/DbError.h"
#include "store/JetLexer.h"

#include <optional>

namespace tq::store::detail {

namespace {

// Placeholders: a control character no statement holds, then the number of
// the text, zero-padded so that text order is number order.
constexpr char16_t kPlaceholderMark = 0x01;
constexpr int kPlaceholderDigits = 5;
constexpr int kMaxTexts = 99999;

QString placeholder(int number)
{
    return QChar(kPlaceholderMark) + QStringLiteral("%1").arg(number, kPlaceholderDigits, 10, QLatin1Char('0'));
}

// The number of a placeholder value, or -1 for any other value.
int placeholderNumber(const QVariant& value)
{
    if (value.typeId() != QMetaType::QString)
        return -1;
    const QString text = value.toString();
    if (text.size() != kPlaceholderDigits + 1 || text.front() != QChar(kPlaceholderMark))
        return -1;
    bool ok = false;
    const int n = QStringView(text).mid(1).toInt(&ok);
    return ok ? n : -1;
}

struct Split {
    QString shape;     // placeholders in text order
    QStringList texts; // the texts they stand for
};

// The shape with its placeholders in the opposite order.
QString reversed(const QString& shape, int count)
{
    QString r = shape;
    for (qsizetype i = r.indexOf(QChar(kPlaceholderMark)); i >= 0; i = r.indexOf(QChar(kPlaceholderMark), i + 1)) {
        const int n = QStringView(r).mid(i + 1, kPlaceholderDigits).toInt();
        r.replace(i, kPlaceholderDigits + 1, placeholder(count - 1 - n));
    }
    return r;
}

// The statement with its quoted texts replaced; nothing when the statement
// does not tokenize or holds the placeholder mark itself (the translation
// then reports or handles it).
std::optional<Split> split(const QString& jetSql)
{
    if (jetSql.contains(QChar(kPlaceholderMark)))
        return std::nullopt;
    std::vector<jet::Token> tokens;
    try {
        tokens = jet::tokenize(jetSql);
    } catch (const DbError&) {
        return std::nullopt;
    }
    int count = 0;
    for (const jet::Token& t : tokens)
        count += t.kind == jet::Tok::SqString ? 1 : 0;
    if (count > kMaxTexts)
        return std::nullopt;
    Split s;
    s.shape.reserve(jetSql.size() + count * (kPlaceholderDigits + 1));
    int copied = 0;
    for (const jet::Token& t : tokens) {
        if (t.kind != jet::Tok::SqString)
            continue;
        const QStringView before = QStringView(jetSql).mid(copied, t.start - copied);
        const int n = int(s.texts.size());
        s.shape += before + QLatin1Char('\'') + placeholder(n) + QLatin1Char('\'');
        s.texts << jet::stringValue(jetSql, t);
        copied = t.end;
    }
    s.shape += QStringView(jetSql).mid(copied);
    return s;
}

// Which text each bound value takes (-1: none); false when a placeholder was
// written into the SQLite text or a value only partly holds one.
bool slotsOf(const ParameterizedSql& t, bool inReverse, int count, std::vector<int>& textOf)
{
    if (t.sql.contains(QChar(kPlaceholderMark)))
        return false;
    textOf.clear();
    textOf.reserve(std::size_t(t.literals.size()));
    for (const QVariant& v : t.literals) {
        const int n = placeholderNumber(v);
        if (n < 0 && v.typeId() == QMetaType::QString && v.toString().contains(QChar(kPlaceholderMark)))
            return false;
        textOf.push_back(n < 0 ? -1 : (inReverse ? count - 1 - n : n));
    }
    return true;
}

ParameterizedSql withTexts(const QString& sql, QVariantList literals, const std::vector<int>& textOf,
                           const QStringList& texts)
{
    for (qsizetype i = 0; i < literals.size(); ++i)
        if (const int slot = textOf[std::size_t(i)]; slot >= 0)
            literals[i] = texts[slot];
    return {sql, std::move(literals)};
}

} // namespace

const TranslationCache::Shape& TranslationCache::remember(Shape shape)
{
    m_lru.push_front(std::move(shape));
    m_index.insert(m_lru.front().key, m_lru.begin());
    while (int(m_lru.size()) > kCapacity) {
        m_index.remove(m_lru.back().key);
        m_lru.pop_back();
    }
    return m_lru.front();
}

ParameterizedSql TranslationCache::translate(const QString& jetSql, const StopCheck& stop)
{
    std::optional<Split> s = split(jetSql);
    if (!s)
        return translateJetParameterized(jetSql, stop);

    if (const auto hit = m_index.find(s->shape); hit != m_index.end()) {
        m_lru.splice(m_lru.begin(), m_lru, hit.value());
        const Shape& shape = m_lru.front();
        if (!shape.reusable)
            return translateJetParameterized(jetSql, stop);
        return withTexts(shape.sql, shape.literals, shape.textOf, s->texts);
    }

    Shape shape;
    shape.key = s->shape;
    const int count = int(s->texts.size());
    ParameterizedSql first = translateJetParameterized(s->shape, stop);
    if (slotsOf(first, false, count, shape.textOf)) {
        std::vector<int> second;
        const ParameterizedSql other =
            count < 2 ? first : translateJetParameterized(reversed(s->shape, count), stop);
        shape.reusable = other.sql == first.sql && slotsOf(other, true, count, second) && second == shape.textOf;
    }
    if (!shape.reusable) {
        remember(std::move(shape));
        return translateJetParameterized(jetSql, stop);
    }
    shape.sql = std::move(first.sql);
    shape.literals = std::move(first.literals);
    const Shape& kept = remember(std::move(shape));
    return withTexts(kept.sql, kept.literals, kept.textOf, s->texts);
}

} // namespace tq::store::detail
