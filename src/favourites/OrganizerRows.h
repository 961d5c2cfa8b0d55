#pragma once
// The rows of the favourites organizer: the thirty-three columns it shows of
// the table お気に入り, which of them the user may edit and how, the filter by
// group and author, the sort, and a cursor that streams the rows so a large
// table is read only as far as the grid scrolls.

#include "store/Recordset.h"

#include <QString>

#include <array>
#include <optional>

namespace tq::favourites {

inline constexpr int kOrganizerColumnCount = 33;

// 0-based positions of the columns with a role of their own.
namespace organizer {
inline constexpr int kShow = 0;        // 表示
inline constexpr int kGroup = 1;       // グループ名
inline constexpr int kName = 2;        // 名称
inline constexpr int kComment = 29;    // コメント
inline constexpr int kRegistered = 30; // 登録日時
inline constexpr int kAuthor = 31;     // 作者名
inline constexpr int kColour = 32;     // 色 (hidden)
} // namespace organizer

// The column names in grid order: 表示, グループ名, 名称, the twenty-six
// statistics, コメント, 登録日時, 作者名, 色.
const std::array<QString, kOrganizerColumnCount>& organizerColumns();

enum class CellEdit {
    Locked,   // the counts and the five main rates, and the hidden colour
    Flag,     // 表示: -1 or 0
    Name,     // 名称: a rename (never empty, never a name already taken)
    Group,    // グループ名: never empty
    Text,     // コメント, 作者名
    Number,   // the other statistics: a number, or empty for none
    DateTime, // 登録日時: "yyyy/MM/dd hh:mm:ss" (or without the time), or empty
};
CellEdit cellEdit(int column);

// Which thresholds colour a column: the 勝率, 連対率, 複勝率 or 回収率 family
// of the colour settings, or none.
enum class RateFamily { None, Win, TopTwo, TopThree, Return };
RateFamily rateFamily(int column);

// Group and author filters; nothing means every value ("全て"). An empty
// author selects the favourites without one (Null or an empty text).
struct OrganizerFilter {
    std::optional<QString> group;
    std::optional<QString> author;
};

// The column the rows are ordered by, one of organizerColumns().
struct OrganizerSort {
    QString column = QStringLiteral("グループ名");
    bool descending = false;
};

// Streams organizer rows from an open statement. Valid while the database is.
class OrganizerCursor final {
  public:
    using Row = std::array<store::Value, kOrganizerColumnCount>;
    explicit OrganizerCursor(store::Recordset rows) : m_rows(std::move(rows)) {}
    bool atEnd() const { return m_rows.isEOF(); }
    // The current row; moves to the next. Not at the end.
    Row next();

  private:
    store::Recordset m_rows;
};

// The value a text typed into a cell of `column` stores, or nothing when the
// text is not one the column takes (a number column given "abc").
std::optional<store::Value> parseCell(int column, const QString& text);

} // namespace tq::favourites
