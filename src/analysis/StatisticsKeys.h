#pragma once
// Group labels of aggregation keys: the label of a value for one key level,
// by the level's range text (kinds "0" each value, "1" code label, "2" fixed
// width buckets, "3" bounds, "4" label looked up by a statement, "9" runs of
// records, handled by the engine), and the first-run rule of "ローテーション".
//
// Labels are built with the number text of the original runtime: a bucket of
// width 200 around 1399 reads " 1200～ 1400" (Str of a Single, blank before
// non-negative numbers).

#include "conditions/ConditionCatalogue.h"
#include "store/Value.h"

#include <QHash>
#include <QString>

#include <vector>

namespace tq::common {
class ErrorLog;
}
namespace tq::store {
class Database;
}

namespace tq::analysis {

// The label of one value for one key level, prepared once for a run (or for
// a list column) from the key text and the range text, so that each value
// costs no parsing. Not thread-safe (kind "4" keeps a cache of lookups).
class KeyLabeller final {
  public:
    // `keyText`: an item name, optionally with a run or comparison prefix.
    // `rangeText`: the level's range; empty takes the item's catalogue range.
    // `appDb` runs the statements of kind "4" (null: such labels stay empty).
    // A kind "4" width below 1 would never advance through the value: the
    // range is then treated as kind "0" and reported to `log` (when given)
    // under "funSyukeiKey".
    KeyLabeller(const conditions::ConditionCatalogue& catalogue, const QString& keyText, const QString& rangeText,
                store::Database* appDb, common::ErrorLog* log);

    // The group label of `value`. `raw` switches off the bucketing of kinds
    // "2" and "3" (the horse list) but keeps codes, lookups and the first-run
    // rule. Never throws and never reports: a range that cannot be read
    // leaves the label as far as it had been computed.
    QString label(const store::Value& value, bool raw) const;

    // The kind: the number at the start of the range's first token (0 when
    // there is none, which labels every value as itself).
    int kind() const { return m_kind; }
    // Whether label(value, true) of a text value is always the text itself
    // (no codes, lookups or first-run rule), so a caller may copy the text.
    bool keepsRawText() const { return !m_item || ((m_kind == 0 || m_kind == 2 || m_kind == 3) && !m_rotation); }
    bool itemFound() const { return m_item != nullptr; }
    // Whether labelling runs statements on the application database (kind "4").
    bool readsDatabase() const { return m_item && m_kind == 4 && m_paramOk && m_appDb; }

  private:
    QString bucket(double v) const;
    QString bounded(double v) const;
    QString lookup(const QString& text) const;

    const conditions::ConditionItem* m_item = nullptr;
    bool m_rotation = false; // key text is exactly "ローテーション"
    int m_kind = 0;
    bool m_paramOk = true;           // the kind's parameters could be read
    float m_width = 0;               // kind 2
    std::vector<float> m_bounds;     // kind 3
    int m_lookupWidth = 0;           // kind 4
    QString m_template;              // kind 4
    QHash<QString, QString> m_codes; // kind 1: code -> label, first entry wins
    store::Database* m_appDb = nullptr;
    common::ErrorLog* m_log = nullptr;
    mutable QHash<QString, QString> m_lookupCache;
};

// One-call form of KeyLabeller::label (parses the range on every call).
QString funSyukeiKey(const conditions::ConditionCatalogue& catalogue, store::Database* appDb, common::ErrorLog* log,
                     const QString& keyText, const store::Value& value, bool rawFlag, const QString& rangeText);

// The lookup label of kind "4": for each chunk of `width` characters of
// `value`, the first column of the first row of `templ` with its first
// "@DATA" replaced by the chunk (each "'" of the chunk doubled), joined with
// ",". Chunks whose statement fails or returns nothing add nothing (a failing
// statement is reported by TBOpr). A width below 1, or no database, gives an
// empty text.
QString funKeyLookup(common::ErrorLog& log, store::Database* appDb, const QString& value, int width,
                     const QString& templ);

} // namespace tq::analysis
