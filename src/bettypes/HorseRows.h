#pragma once
// Reading the horse rows of the bet-type statements: the columns both runs
// read, the ticket horse, the finishing position and the exclusion test.
// Internal to the bet-type analysis.

#include "bettypes/RaceBets.h"

#include <QByteArrayView>

#include <string>

namespace tq::store {
class Recordset;
}

namespace tq::bettypes {

// Horses of one race the runs keep at once: the most runners a race has.
inline constexpr int kMaxSlots = 18;

struct HorseColumns {
    int raceKey = -1;     // レースキー
    int horseNumber = -1; // 馬番
    int frame = -1;       // 枠番
    int abnormal = -1;    // 異常区分
    int finish = -1;      // 着順

    static HorseColumns resolve(const store::Recordset& rs);
};

// The race key of the current row, as the bytes of the database.
QByteArrayView raceKeyOf(const store::Recordset& row, const HorseColumns& c);
// The row's 馬番 and 枠番.
TicketHorse horseOf(const store::Recordset& row, const HorseColumns& c);
// 着順 as a 16-bit integer (rounded as CInt); Null (a horse that did not
// finish) reads as 0. A text that is not a number, or a number beyond 16
// bits, throws std::runtime_error.
int finishOf(const store::Recordset& row, const HorseColumns& c);
// 異常区分 "1" or "2" (scratched, excluded).
bool isExcluded(const store::Recordset& row, const HorseColumns& c);

// Whether `race` differs from `last`; when it does, `last` becomes `race`.
bool raceChanged(QByteArrayView race, std::string& last);

} // namespace tq::bettypes
