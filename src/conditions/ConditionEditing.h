#pragma once
// The condition editor's rules without its widgets: the input frame an item
// takes, the stored value and display text made from the input controls and
// read back from a stored value, where OK and 確定 write into a condition set,
// the aggregation-key text and range of the key editor, and the item list of
// a list-display setting. The editor window only moves values between these
// functions and its controls.

#include "conditions/ConditionCatalogue.h"
#include "conditions/ConditionSet.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace tq::conditions {

// Check boxes of the choice frame; entries beyond them are not offered.
inline constexpr int kChoiceBoxCount = 25;

// The regions of the editor's value area, by index. None: all hidden.
enum class EditorFrame : int {
    Choices = 0,     // type 0
    Range = 1,       // types 1, 2, 8
    RangeChoice = 2, // types 3, 4, 7
    Direct = 3,      // types 5, 9
    Dates = 4,       // type 6
    Comparison = 5,  // comparison targets, any type
    ListSettings = 6,
    Aggregation = 7,
    None = 8,
};

// All tokens of a stored value or `data` text (ends at ",", CR or LF).
QStringList commaTokens(const QString& text);

// The frame that edits an item of `type` for `target`.
EditorFrame frameOf(int type, int target);

// The values of the input controls, whichever frame holds them.
struct EditorValues {
    std::vector<bool> ticks;   // type 0: one per box shown, in data order
    QString from, to;          // types 1, 2, 8: the boxes; 3, 4, 7: the chosen texts
    bool firstRunOnly = false; // type 8: 初出走のみ
    QString names;             // types 5, 9: the value box
    QString codes;             // type 9: the codes picked with the names
    bool exclude = false;      // types 5, 9: 以外
    bool allOf = false;        // type 9: AND条件
    QDate fromDate, toDate;    // type 6
    int comparison = 0;        // comparison: 0-5 for ＝ ≠ ＞ ＜ ≧ ≦
    int sign = 0;              // comparison: 0 none, 1 "+", 2 "-"
    QString number;            // comparison: the offset
};

// The stored value of the controls for an item of `type` and `target`.
// Values are not validated: empty bounds are stored empty.
QString storedValueOf(int type, int target, const EditorValues& values);

// The controls' values read back from a stored value (its tokens in order).
// Missing tokens give empty texts, unticked boxes and unset dates; type 0
// gets one tick per token.
EditorValues valuesFromStored(int type, int target, const QString& value);

// subJoukenMake: the display text and stored value of the controls.
struct MadeCondition {
    QString display;
    QString value;
};
MadeCondition subJoukenMake(const ConditionCatalogue& catalogue, const ConditionItem& item, int target,
                            const EditorValues& values);

// funJoukenGyou: the index of the row holding `itemName` with `target`, or
// with any target when `target` is negative; the row count (the index of the
// empty line that stands for a new condition) when there is none.
int funJoukenGyou(const ConditionSet& set, const QString& itemName, int target);

// Whether the set's group column holds `group`.
bool groupInUse(const ConditionSet& set, const QString& group);
// For each target, whether the set has a row for `itemName` with it.
std::array<bool, kTargetCount> targetsInUse(const ConditionSet& set, const QString& itemName);

// The editor's rows of a set: R, the row edited by OK, and E, the row edited
// in extended mode. Either may be the row count (the empty line).
struct EditorRows {
    int edited = 0;
    int extended = 0;
};

// OK without extended mode: writes the made condition into row R (masked
// off). When R was the empty line a new row gets the item's group and name
// and the target, and E follows the empty line when it pointed at it.
void writeCondition(ConditionSet& set, EditorRows& rows, const ConditionItem& item, int target,
                    const MadeCondition& made);

// 確定: writes the extended text on one line into row E (masked off; display
// and value alike). When E was the empty line a new "【拡張】" row is added and
// R follows the empty line when it pointed at it. E then points at the empty
// line again.
void writeExtended(ConditionSet& set, EditorRows& rows, const QString& text);

// The text with every line break (CR LF, CR or LF) replaced by one blank.
QString joinLines(const QString& text);

// OK in extended mode: the box text followed by the clause of the condition
// and a blank. Throws ClauseError when the clause cannot be built.
QString appendClause(const ConditionCatalogue& catalogue, const QString& boxText, const ConditionItem& item, int target,
                     const EditorValues& values);

// The text naming an item for a target in aggregation keys and list
// settings: the item name, preceded for targets 1-10 by 前走, 前走比較, ２走前,
// ２走前比較, ... ５走前比較.
QString keyTextOf(const QString& itemName, int target);

// The aggregation level a new key goes to: the lowest empty level at or
// below `chosen`, or `chosen` itself when none of them is empty.
int lowestEmptyLevel(const ConditionSet& set, int chosen);

// Comparison targets are offered for aggregation keys of these types only.
bool comparisonKeyAllowed(int type);
// Whether a comparison of this type takes a sign and a number.
bool comparisonTakesOffset(int type);
// Number of column expressions in an item key ("k1 & k2" has two).
int keyExpressionCount(const QString& key);

// The range frame of the key editor: one of four options and two boxes.
enum class RangeOption { AsIs, Interval, Bounds, Count };
struct RangeChoice {
    RangeOption option = RangeOption::AsIs;
    QString interval = QStringLiteral("5");             // box 0: step or count
    QString bounds = QStringLiteral("1,2,3,5,7,10,20"); // box 1: bounds
};

// Applies an item's default range text to the frame: "2," step, "3,"
// bounds, "0" as is (bounds emptied), "9," count. Returns false, leaving the
// choice alone, for any other text: the frame is then hidden.
bool applyDefaultRange(const QString& range, RangeChoice& choice);
// The RangeSpec of the frame's choice: "0", "2,"+step, "3,"+bounds, "9,"+count.
RangeSpec rangeSpecOf(const RangeChoice& choice);
// The message line shown for an option.
QString rangeOptionMessage(RangeOption option);

// The items of a list-display setting being edited, with the selected entry
// (-1: none). No entry occurs twice.
struct SettingItemList {
    QStringList items;
    int selected = -1;

    // The six items a new setting starts with.
    static QStringList defaults();

    // →（追加）: appends unless present; selects the last entry.
    void add(const QString& text);
    // →（挿入）: unless present, inserts before the selected entry (appends
    // when none is selected) and selects it.
    void insert(const QString& text);
    // ←（削除）: removes the selected entry; the entry taking its place (or
    // the new last one) is selected.
    void removeSelected();
    // ↑ / ↓: moves the selected entry one place, keeping it selected.
    void moveUp();
    void moveDown();
};

} // namespace tq::conditions
