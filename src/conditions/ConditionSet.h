#pragma once
// The conditions of one analysis document: ordered condition rows, twenty
// aggregation-key levels, the favourite filter and the analysis kind. Shown to
// the user as the document's condition grid, which always ends with one empty
// row standing for a new condition (that row is not stored here).

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace tq::conditions {

// 比較対象: 0 the race analysed; odd 1-9 the 1st-5th previous run; even 2-10 a
// comparison of the current run with that run.
constexpr int kTargetCount = 11;
QString targetCaption(int target);          // "今走", "前走", "前走と比較", ...
int targetFromCaption(const QString& caption); // -1 when unknown
inline int runNumberOfTarget(int target) { return (target + 1) / 2; }
inline bool isComparisonTarget(int target) { return target >= 2 && target % 2 == 0; }

// The item name of an extended (free SQL) row.
inline const QString& extendedItemName()
{
    static const QString name = QStringLiteral("【拡張】");
    return name;
}

// One row of the condition grid, fields in grid-column order.
struct ConditionRow {
    bool masked = false;   // column 1: "1" = masked, ignored by the WHERE builder
    QString group;         // column 2; empty for an extended row
    QString itemName;      // column 3; "【拡張】" for an extended row
    QString targetCaption; // column 4; empty for an extended row
    QString display;       // column 5: the condition as the user reads it
    QString value;         // column 6: stored value, comparison value, or the SQL of an extended row
    qint16 target = 0;     // column 7: 0-10; 0 for an extended row

    bool isExtended() const { return itemName == extendedItemName(); }
};

// How an aggregation key's values are grouped: empty (the item's default),
// "0" each value, "2,<step>" fixed width, "3,<b1>,<b2>..." bounds, "9,<n>"
// runs of n records. Only the first character selects the kind.
struct RangeSpec {
    QString text;

    bool isEmpty() const { return text.isEmpty(); }
    QChar kind() const { return text.isEmpty() ? QChar() : text.at(0); }
    QString parameter() const { return text.mid(2); }
};

// What makes a range text unusable, or an empty text when it groups as
// intended: the kind must be 0, 1, 2, 3, 4 or 9; a step (2) a number above 0;
// bounds (3) at least one number, rising, at most fifty; a lookup (4) a width
// of 1 or more and a statement; a run length (9) a whole number of 1 or more.
// An empty text (the catalogue's range) is fine.
QString rangeSpecProblem(const QString& text);

// One aggregation-key level: an item name, optionally with a previous-run
// prefix ("前走" ... "５走前") or comparison prefix ("前走比較" ... "５走前比較").
struct AggregationKey {
    QString key;     // empty: the level is not in use
    RangeSpec range; // per-document override; not persisted in condition files

    bool inUse() const { return !key.isEmpty(); }
};

constexpr int kAggregationLevels = 20;

// The favourite-race restriction chosen for a document.
struct FavouriteFilter {
    QString name;          // favourite or group name; empty: no restriction
    bool isFavourite = false;
    bool wholeGroup = false;
    QString havingOperator; // the HAVING count condition's operator text
    QString havingNumber;   // and its number text
};

enum class AnalysisKind : qint16 {
    WinPlace = 0,       // 単複分析
    QuinellaBox = 1,    // 馬連ＢＯＸ分析
    QuinellaPartner = 2, // 馬連流し相手分析
    QuinellaAxis = 3,   // 馬連流し軸馬分析
};

struct ConditionSet {
    std::vector<ConditionRow> rows;
    std::array<AggregationKey, kAggregationLevels> keys;
    FavouriteFilter favourite;
    AnalysisKind kind = AnalysisKind::WinPlace;
    QString axisFavourite;       // kinds 2 and 3
    bool axisWholeGroup = false;

    // The row for (itemName, target), or nullptr. Each pair occurs at most once.
    ConditionRow* find(const QString& itemName, qint16 target);
    const ConditionRow* find(const QString& itemName, qint16 target) const;
    // The aggregation levels in use, in level order.
    std::vector<const AggregationKey*> keysInUse() const;
};

} // namespace tq::conditions
