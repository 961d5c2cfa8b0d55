#pragma once
// The in-memory race world of the generator: horses with careers, jockeys,
// trainers, sires, a calendar of race days, and for every race its runners,
// odds, finishing order and payouts. RaceDataWriter turns it into the
// race-data databases; nothing here touches a file.

#include <QDate>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace tq::tools {

// A value that may be missing (written as SQL NULL).
struct OptF {
    float v = 0;
    bool has = false;
    static OptF of(double x) { return OptF{float(x), true}; }
};

struct Sire {
    QString regNo;        // 繁殖登録番号
    QString name;
    QString line;         // 系統
    bool active = true;   // 登録 供用 / 抹消
    double quality = 0;
    double surface = 0;   // > 0 turf, < 0 dirt
    double distance = 0;  // > 0 stayer, < 0 sprinter
};

struct Person {           // jockey or trainer
    QString code;
    QString name;
    QString kana;
    QString stable;       // 所属
    bool retired = false; // 登録 抹消: works only in the first half of the span
    double skill = 0;
    QString birth;        // yyyymmdd (jockeys)
    int licenceYear = 0;
};

struct Horse {
    QString regNo;        // 血統登録番号
    QString name;
    int sex = 1;          // 1 牡 2 牝 3 セン
    int birthYear = 0;
    QString colour;
    int sire = 0, damSire = 0;
    QString damName;
    QString birthplace, breeder;
    double ability = 0, surface = 0, distance = 0;
    int trainer = 0;
    int mainJockey = 0;
    int level = 0;        // 0 unraced, 1 maiden, 2..4 winners' classes, 5 open
    int runs = 0;         // runs so far (all, including the unwritten warm-up)
    int losses = 0;       // runs since the last win
    int bodyWeight = 470;
    int lastBodyWeight = 0;
    QDate available;      // earliest next race date
    QDate lastRun;
    bool retired = false;
    std::array<int, 5> lastEntries{-1, -1, -1, -1, -1}; // written entries, newest first
};

struct Entry {
    int race = 0;
    int horse = 0;
    int umaban = 0, waku = 0;
    int age = 0;
    int jockey = 0, rider = 0, trainer = 0; // rider: who actually rode
    float carried = 55;
    OptF baseOdds;
    int basePop = 0;
    float idm = 0, idmGap = 0;
    char idmMark = ' ', infoMark = ' ';
    OptF infoIndex;
    int goalRank = 0;
    float goalGap = 0;
    OptF jockeyWin, jockeyTop2, jockeyTop3;
    int rotationWeeks = -1; // -1: first run
    int priorRuns = 0;
    std::array<int, 5> prev{-1, -1, -1, -1, -1}; // entry indices of previous runs
    // pre-race data (only when the race has it)
    char oddsMark = ' ', paddockMark = ' ';
    float oddsIndex = 0, paddockIndex = 0;
    // result
    char abnormal = '0';
    int finish = 0;         // 0: none
    OptF winOdds, placeOdds;
    int popularity = 0;     // 0: none
    OptF time, margin, last3f;
    int corner4 = 0;
    int bodyWeight = 0, bodyDiff = 0;
    bool hasBodyDiff = false;
    float devTotal = 50, devSpeed = 50, devLast = 50;
    // model
    double strength = 0;
    double publicProb = 0;
};

struct PaySlot {
    QString combo;          // empty: slot unused (NULL)
    int pay = 0;
};

struct Payouts {
    std::array<PaySlot, 3> win;
    std::array<PaySlot, 5> place;
    std::array<PaySlot, 3> frame;
    std::array<PaySlot, 3> quinella;
    std::array<PaySlot, 7> wide;
    std::array<PaySlot, 6> exacta;
    std::array<PaySlot, 3> trio;
    bool exactaSold = true, trioSold = true; // false: all slots NULL
};

struct Race {
    QDate date;
    int course = 1;        // 1..10
    int meeting = 1, day = 1, number = 1;
    int surface = 1;       // 1 芝 2 ダ 3 障害
    int distance = 1600;
    int turn = 1;          // 1 右 2 左 3 直線
    int going = 1, weather = 1;
    int classCode = 2;
    int ageCode = 13;
    int weightCode = 3;
    QString name;
    int firstEntry = 0, entryCount = 0;
    int starters = 0;
    QString startTime;
    bool preRace = true;        // D直前情報データ rows exist
    int oddsState = 0;          // 0 final, 1 preliminary with NULL odds, 2 preliminary with 0 odds
    Payouts pay;
    bool today = false;

    QString key() const;        // レースキー
};

struct World {
    std::vector<Sire> sires;
    std::vector<Person> jockeys, trainers;
    std::vector<Horse> horses;
    std::vector<Race> races;     // past races, then today's
    std::vector<Entry> entries;  // runners of each race contiguous
    int pastRaces = 0;           // races[0, pastRaces) are past
    int pastEntries = 0;
    QDate firstDay, lastDay, today;

    QString runnerKey(int entry) const; // 競走成績キー
};

struct SimOptions {
    int years = 1;               // past span in years, ending 2025-12-31
    int months = 0;              // when > 0: the last `months` months of 2025 instead
    std::uint64_t seed = 1;
};

// Builds the whole world. Deterministic for equal options.
World simulate(const SimOptions& options);

// Course names by code 1..10 (M競馬場).
QString courseName(int course);

} // namespace tq::tools
