#pragma once
// One race as the viewer shows it, read from the application database: a past
// race from the linked past-data tables (programme, runners with their
// results, payouts), a race of today from the today tables (programme and
// runners only). Columns a race-data file lacks stay empty; code columns are
// shown by their names from the code tables when those have them.

#include <QString>

#include <optional>
#include <vector>

namespace tq::store {
class Database;
}

namespace tq::addins::viewer {

struct Runner {
    QString number, frame, name, jockey, weight, baseOdds; // before the race
    QString finish, finalOdds, popularity;                   // past races only
};

struct Payout {
    QString betType;     // 単勝, 複勝, 枠連, 馬連, ワイド, 馬単, ３連複
    QString combination; // "3", "3-7", "3→7"
    qint64 amount = 0;   // yen per 100 yen
};

struct RaceCard {
    QString raceKey;
    bool past = false;
    QString date, course, raceNumber, surface, distance, className, going, weather, raceName;
    std::vector<Runner> runners;
    std::vector<Payout> payouts;

    // "2025/04/27 新潟 7R 芝 1600m ２勝クラス 良" (parts that are empty left out).
    QString headline() const;
};

// The race key the main program handed over: [DEZide] RACE_KEY of the file
// (empty when the file or the key is missing or unreadable).
QString readHandedRaceKey(const QString& iniPath);

// Loads the race: the past tables first, then today's. Nothing, with `error`
// set, when neither has the key or the tables cannot be read.
std::optional<RaceCard> loadRace(store::Database& db, const QString& raceKey, QString& error);

// The readable form of a payout slot's combination code: horse numbers of two
// digits each ("0307" → "3-7"), frames of one digit for 枠連 ("37" → "3-7"),
// "→" between the horses of 馬単, the number alone for 単勝 and 複勝.
QString formatCombination(const QString& betType, const QString& code);

} // namespace tq::addins::viewer
