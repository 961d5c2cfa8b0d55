#include "analysis/StatisticsKeys.h"

#include "analysis/ResultTable.h"
#include "common/ErrorLog.h"
#include "conditions/Clauses.h"
#include "common/Tokens.h"
#include "common/VbNumber.h"
#include "store/Operations.h"

#include <cmath>

namespace tq::analysis {

namespace {

constexpr int kMaxBounds = 50;
constexpr qsizetype kLookupCacheLimit = 65536;

// CSng / CInt of a token: false when it is not a number.
bool tokenNumber(const QString& token, double& v) { return labelAsNumber(token, &v); }

} // namespace

KeyLabeller::KeyLabeller(const conditions::ConditionCatalogue& catalogue, const QString& keyText,
                         const QString& rangeText, store::Database* appDb, common::ErrorLog* log)
    : m_rotation(keyText == QStringLiteral("ローテーション")), m_appDb(appDb), m_log(log)
{
    m_item = catalogue.itemByName(conditions::splitAggregationKey(keyText).itemName);
    if (!m_item)
        return;
    const QString range = rangeText.isEmpty() ? m_item->range : rangeText;
    int pos = 1;
    double number = 0;
    // The kind is the number at the start of the first token (Val): an empty
    // or unreadable kind is 0, which labels every value as itself.
    try {
        m_kind = int(common::vbVal(common::funGetToken(range, pos)));
    } catch (const std::exception&) {
        m_kind = 0;
    }
    switch (m_kind) {
    case 1: {
        int p = 1;
        while (p <= m_item->data.size()) {
            const QString entry = common::funGetToken(m_item->data, p);
            const qsizetype colon = entry.indexOf(QLatin1Char(':'));
            if (colon < 0)
                continue;
            const QString code = entry.left(colon);
            if (!m_codes.contains(code))
                m_codes.insert(code, entry.mid(colon + 1));
        }
        break;
    }
    case 2:
        m_paramOk = tokenNumber(common::funGetToken(range, pos), number);
        m_width = float(number);
        m_paramOk = m_paramOk && m_width != 0.0f;
        break;
    case 3:
        while (int(m_bounds.size()) < kMaxBounds) {
            const QString token = common::funGetToken(range, pos);
            if (token.isEmpty())
                break;
            if (!tokenNumber(token, number)) {
                m_paramOk = false;
                break;
            }
            m_bounds.push_back(float(number));
        }
        break;
    case 4:
        m_paramOk = tokenNumber(common::funGetToken(range, pos), number) && std::fabs(number) < 32768.0;
        m_lookupWidth = m_paramOk ? common::vbCInt(number) : 0;
        m_template = common::funGetToken(range, pos);
        if (m_paramOk && m_lookupWidth < 1) {
            if (m_log)
                m_log->report({5, QStringLiteral("集計キー「") + keyText + QStringLiteral("」の範囲「") + range
                                      + QStringLiteral("」は文字数が1未満のため、値をそのまま集計します"),
                               {}},
                              QStringLiteral("funSyukeiKey"));
            m_kind = 0;
        }
        break;
    default: break;
    }
}

QString KeyLabeller::label(const store::Value& value, bool raw) const
{
    if (!m_item || value.isNull())
        return value.toText();
    const bool isText = value.kind() == store::Value::Kind::Text;
    QString label = value.toText();
    const bool emptyText = isText && label.isEmpty();
    auto numeric = [&](double& v) {
        if (!isText) {
            v = value.toDouble();
            return true;
        }
        return labelAsNumber(label, &v);
    };
    switch (m_kind) {
    case 1: {
        const auto it = m_codes.constFind(label);
        if (it != m_codes.cend())
            label = *it;
        break;
    }
    case 2:
        if (!raw) {
            double v = 0;
            if (!m_paramOk || (!emptyText && !numeric(v)))
                return label;
            label = bucket(v);
        }
        break;
    case 3:
        if (!raw) {
            if (emptyText)
                return label;
            double v = 0;
            if (!m_paramOk || !numeric(v))
                return label;
            if (!m_bounds.empty()) // with no bounds the label stays the value
                label = bounded(v);
        }
        break;
    case 4:
        if (!m_paramOk)
            return label;
        label = lookup(label);
        break;
    default: break;
    }
    if (m_rotation && emptyText)
        return QStringLiteral("初出走");
    return label;
}

QString KeyLabeller::bucket(double v) const
{
    const double w = m_width;
    const float b = float(std::floor(v / w) * w);
    return common::vbStrSingle(b) + QStringLiteral("～") + common::vbStrSingle(float(double(b) + w));
}

QString KeyLabeller::bounded(double v) const
{
    const std::size_t m = m_bounds.size();
    for (std::size_t g = 0; g < m; ++g) {
        const double bg = m_bounds[g];
        if (g + 1 == m)
            return common::vbStrSingle(m_bounds[g]) + QStringLiteral("～");
        if (v < bg)
            return QStringLiteral("～") + common::vbStrSingle(m_bounds[g]);
        if (v < double(m_bounds[g + 1]))
            return common::vbStrSingle(m_bounds[g]) + QStringLiteral("～") + common::vbStrSingle(m_bounds[g + 1]);
    }
    return QString(); // no bounds: the caller keeps the value
}

QString KeyLabeller::lookup(const QString& text) const
{
    const auto it = m_lookupCache.constFind(text);
    if (it != m_lookupCache.cend())
        return *it;
    common::ErrorLog scratch;
    QString result = funKeyLookup(m_log ? *m_log : scratch, m_appDb, text, m_lookupWidth, m_template);
    if (m_lookupCache.size() >= kLookupCacheLimit)
        m_lookupCache.clear();
    m_lookupCache.insert(text, result);
    return result;
}

QString funSyukeiKey(const conditions::ConditionCatalogue& catalogue, store::Database* appDb, common::ErrorLog* log,
                     const QString& keyText, const store::Value& value, bool rawFlag, const QString& rangeText)
{
    return KeyLabeller(catalogue, keyText, rangeText, appDb, log).label(value, rawFlag);
}

QString funKeyLookup(common::ErrorLog& log, store::Database* appDb, const QString& value, int width,
                     const QString& templ)
{
    QString result;
    if (width < 1 || !appDb)
        return result;
    bool first = true;
    for (qsizetype c = 0; c < value.size(); c += width) {
        QString chunk = value.mid(c, width);
        chunk.replace(QLatin1Char('\''), QLatin1String("''"));
        QString sql = templ;
        const qsizetype at = sql.indexOf(QLatin1String("@DATA"));
        if (at >= 0)
            sql.replace(at, 5, chunk);
        bool ok = false;
        auto rs = store::TBOpr(log, *appDb, sql, ok);
        if (!ok || !rs || rs->isEOF())
            continue;
        if (!first)
            result += QLatin1Char(',');
        result += rs->field(0).toText();
        first = false;
    }
    return result;
}

} // namespace tq::analysis
