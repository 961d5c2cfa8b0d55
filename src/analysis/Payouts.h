#pragma once
// The payouts of a runner in an analysis row: its 馬番 compared with the
// race's 単勝 and 複勝 slots (texts of the same whole number match, "01" and
// "1"), read once per race where the rows of a race follow each other, or
// worked out on the row-copying thread where they do not.

#include "store/RowBatch.h"

#include <QtGlobal>

#include <array>
#include <optional>
#include <string>

namespace tq::store {
class Recordset;
class Row;
} // namespace tq::store

namespace tq::analysis {

// A horse number as a whole number, when the text is one ("01" -> 1, " 7 " ->
// 7); false for an empty text, one with other characters, or one above 10^9.
bool horseNumberValue(QByteArrayView text, qint64& value);

// Indexes of the analysis row's fixed columns, resolved once by name before
// the rows are read (-1 for a column the statement does not have).
struct AnalysisColumns {
    int raceKey = -1;                                   // レースキー
    int date = -1;                                      // 開催日
    int resultKey = -1;                                 // 競走成績キー
    int horseNumber = -1;                               // 馬番
    int horseName = -1;                                 // 馬名
    std::array<int, 3> winHorse{-1, -1, -1};            // 単勝馬番１..３
    std::array<int, 3> winPayout{-1, -1, -1};           // 単勝払戻１..３
    std::array<int, 5> placeHorse{-1, -1, -1, -1, -1};  // 複勝馬番１..５
    std::array<int, 5> placePayout{-1, -1, -1, -1, -1}; // 複勝払戻１..５
    int finish = -1;                                    // 着順
    int abnormal = -1;                                  // 異常区分
    int winOdds = -1;                                   // 確定単勝オッズ
    // In a run's copied rows: the horse's own 単勝 and 複勝 payouts, worked
    // out while the row was copied; the slot columns above are then not read.
    int ownWinPayout = -1;
    int ownPlacePayout = -1;

    static AnalysisColumns resolve(const store::Recordset& rs);
};

// The payout of the current row's horse: its 馬番 compared with 単勝馬番１..３
// (place false) or 複勝馬番１..５ (place true) in order; the payout of the
// first slot holding it, 0 when none does. Horse numbers compare by value
// ("01" equals "1"); a Null slot holds no horse.
qint32 funHaraimodoshi(bool place, const store::Row& row, const AnalysisColumns& columns);
qint32 funHaraimodoshi(bool place, const store::Recordset& row);

// Both payouts of the current row's horse (funHaraimodoshi false and true),
// reading its horse number once.
struct HorsePayouts {
    qint32 win = 0;
    qint32 place = 0;
};
HorsePayouts horsePayouts(const store::Row& row, const AnalysisColumns& columns);

// horsePayouts for rows handed in the statement's order: a race's payout
// slots are read once its second row follows and kept while the rows have the
// same race key (the payout table holds one row per race), so such a row
// costs only its own horse number. Without a race key column, or with a Null
// key, every row is read in full; rows carrying their own payouts are read
// from those.
class RacePayouts final {
  public:
    HorsePayouts of(const store::Row& row, const AnalysisColumns& columns);
    // Forgets the race kept (a new statement begins).
    void reset()
    {
        m_loaded = false;
        m_haveRace = false;
    }

  private:
    struct Slot {
        bool present = false; // the slot holds a horse number
        std::string text;
        bool numeric = false;
        qint64 value = 0;
        int payoutColumn = -1;
        std::optional<qint32> payout; // read when a horse first matches
    };

    // Whether the row has the race key of the row before; keeps its key.
    bool continuesRace(const store::Row& row, const AnalysisColumns& columns);
    void load(const store::Row& row, const AnalysisColumns& columns);

    std::string m_race;     // the race key of the row before
    bool m_haveRace = false; // m_race holds one (not Null)
    bool m_loaded = false; // the slots are the current race's
    std::array<Slot, 8> m_slots; // 単勝 1..3, then 複勝 1..5
};

// Works out each row's own win and place payouts on the copying thread, so
// that a copied row carries two cells instead of the race's sixteen payout
// slots: rows sorted by keys come with their races scattered, and those
// slots would be copied again for nearly every row. Reading the few slots
// of each row costs less than keeping a race's slots while its rows follow
// each other (they seldom do once sorted).
class OwnPayouts final : public store::ComputedCells {
  public:
    explicit OwnPayouts(const AnalysisColumns& columns) : m_columns(columns) {}

    int count() const override { return 2; }

    // Reads the statement's row directly (no Field per column): the horse
    // number once, then the slots until one holds it.
    void compute(const store::Recordset& row, qint64* cells) override;

    // The columns of the copied rows: `statement`'s, with the two cells
    // after its `fieldCount` columns.
    static AnalysisColumns ofCopiedRows(AnalysisColumns statement, int fieldCount)
    {
        statement.ownWinPayout = fieldCount;
        statement.ownPlacePayout = fieldCount + 1;
        return statement;
    }

  private:
    const AnalysisColumns m_columns;
};

} // namespace tq::analysis
