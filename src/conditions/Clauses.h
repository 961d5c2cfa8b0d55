#pragma once
// The clause builders: one condition row (catalogue item, stored value,
// target) becomes one SQL fragment of a WHERE text, and the text the user
// reads for it. Pure text functions over the catalogue; nothing here touches
// a database. Safe to call from any thread.
//
// Values are embedded as stored, with one safety measure: wherever a value is
// put inside a quoted literal ('...'), each "'" in it is doubled, so a name
// such as O'Brien compares as itself instead of breaking the statement.
// Numeric bounds and comparison offsets are embedded bare, as typed.
//
// The flags inside stored values ("初出走のみ" of type 8, negation of types 5
// and 9, "all" of type 9) take effect only when they are "1", in the SQL and
// in the display text alike, so a value missing its flag reads and filters
// the same way. Scaled bounds (type 7) are written with fifteen significant
// digits, so 1.1 x 10 compares with '11'.

#include "conditions/ConditionCatalogue.h"
#include "conditions/ConditionSet.h"

#include <QString>

#include <stdexcept>
#include <vector>

namespace tq::store {
class Value;
}

namespace tq::conditions {

// A row that cannot be turned into SQL: an item number outside the
// catalogue, a type outside 0-9, a comparison or scale that is not a number.
// `number()` follows the original runtime's error numbers (5: invalid
// argument, 9: subscript out of range, 13: type mismatch).
class ClauseError : public std::runtime_error {
  public:
    ClauseError(int number, const QString& message);
    int number() const { return m_number; }
    // The whole message; what() ends at a NUL the value may hold.
    const QString& message() const { return m_message; }

  private:
    int m_number;
    QString m_message;
};

// Appends the clause of one condition row to `where`, with " AND " before it
// when `where` is not empty. Type 0 with nothing ticked appends nothing.
// Comparison targets (2, 4, ..., 10) compare the current run's key with the
// earlier run's, whatever the item's type; previous-run targets (odd) rewrite
// the clause for that run. Throws ClauseError; `where` is then unchanged.
void funJoukenSql(const ConditionCatalogue& catalogue, QString& where, int itemNumber, const QString& value,
                  int target);

// What is wrong with a stored value whose fields go into the SQL as bare
// numbers, or an empty text when nothing is: the bounds of types 2, 4, 7 and
// of type 8 (unless it asks for first starts only) must be numbers, and a
// comparison needs an operator 0-5, a sign 0-2 and, with a sign, a number.
// Anything else would become SQL text ("1000 OR 1=1").
QString numberValueProblem(const ConditionItem& item, const QString& value, int target);

// The display text of a condition ("1000～2000", "今走　≧　前走　+10",
// "東京,中山", "ABC[以外]"). Never throws: an unknown item gives an empty text.
QString funJoukenHyouji(const ConditionCatalogue& catalogue, int itemNumber, const QString& value, int target);

// The display text of a row: the SQL text itself for an extended row,
// otherwise funJoukenHyouji of its item (empty when the name is unknown).
QString displayTextOfRow(const ConditionCatalogue& catalogue, const ConditionRow& row);

// The label of `code` in the type-0 item's data ("05" -> "東京"), or the code
// itself when no entry has it (or the item number is unknown).
QString funCodeMeisyou(const ConditionCatalogue& catalogue, const QString& code, int itemNumber);

// One entry "code:label" of a type-0 item's data.
struct DataEntry {
    QString code;
    QString label;
};
// The entries of a type-0 item's data in order; an entry without ":" is its
// own code and label.
std::vector<DataEntry> dataEntries(const QString& data);

// The empty text for Null, otherwise the value as text.
QString funNullKara(const store::Value& value);

// A text inside a quoted SQL literal: each "'" doubled.
QString quoteLiteral(const QString& text);

// An aggregation-key text split into its run prefix and item name.
// "前走比較距離" -> {"前走比較", "距離", 2}; "２走前距離" -> {"２走前", "距離", 3};
// "距離" -> {"", "距離", 0}. The prefixes are tested in the order 前走比較, 前走,
// ２走前比較, ２走前, ... ５走前比較, ５走前, so a comparison prefix wins.
struct AggregationKeyParts {
    QString prefix;
    QString itemName;
    int target = 0; // 0, odd: previous run, even: comparison with that run
};
AggregationKeyParts splitAggregationKey(const QString& keyText);

} // namespace tq::conditions
