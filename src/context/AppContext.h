#pragma once
// The application context: the shared settings, the open application
// database, the condition catalogue, the error log and the user-interface
// services of one program run. There is one per process in the program and
// one per test case in the tests; it is passed explicitly, never global.
//
// The cancel flag of long operations lives in the Busy service.

#include "common/ErrorLog.h"
#include "conditions/ConditionCatalogue.h"
#include "context/Busy.h"
#include "context/PreparationReport.h"
#include "context/Prompter.h"

#include <QString>

#include <array>
#include <chrono>
#include <memory>

namespace tq::store {
class Database;
}

namespace tq::common {
class DatabaseLock;
}

namespace tq::context {

// How long a process waits for the database lock (DatabaseLock) before it
// gives up with a message: briefly when it only wants to use the database
// while another process prepares it, longer when it must prepare it itself
// and waits for the others to finish.
struct DatabaseLockWaits {
    std::chrono::milliseconds shared{15000};
    std::chrono::milliseconds exclusive{60000};
};

// Thresholds and colours of the result grid (table 色設定), in its column order:
// 回収率値, 回収率色, 勝率値, 勝率色, 連対率値, 連対率色, 複勝率値, 複勝率色.
// Colours are Windows colour values (red in the lowest byte).
struct ColourSettings {
    std::array<qint32, 8> values{100, 8421631, 20, 8453888, 50, 16744576, 80, 8454143};

    qint32 returnRateValue() const { return values[0]; }
    qint32 returnRateColour() const { return values[1]; }
    qint32 winRateValue() const { return values[2]; }
    qint32 winRateColour() const { return values[3]; }
    qint32 topTwoRateValue() const { return values[4]; }
    qint32 topTwoRateColour() const { return values[5]; }
    qint32 topThreeRateValue() const { return values[6]; }
    qint32 topThreeRateColour() const { return values[7]; }
};

class AppContext final {
public:
    AppContext(Prompter& prompter, Busy& busy);
    ~AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    // The program's title as shown in captions and messages.
    static QString applicationTitle();
    // major.minor.revision of the running program.
    static QString programVersion();

    // Settings that the catalogue file supplies (AppDir, AppDbPath, InitFlag,
    // DebugFlag, font size) are read through the catalogue.
    const QString& appDir() const { return catalogue.appDir; }
    const QString& appDbPath() const { return catalogue.appDbPath; }

    // The executable's directory, or the directory given by --app-dir: where
    // the catalogue is read from (its PATH= line may move AppDir elsewhere).
    QString programDir;

    common::ErrorLog errorLog;
    conditions::ConditionCatalogue catalogue;

    // From KORVEN.INI; all empty when DBDir is empty. KorvenDir ends in a separator.
    QString korvenDir;
    QString thisDbPath, dataDbPath, codeDbPath, ketoDbPath;
    QString hensaDbPath; // AppDir + VUDevuzI.mdb, set when the links are made

    QString userName; // a single blank or empty: no name registered
    QString appVersion = programVersion();
    ColourSettings colours;
    // Whether a win-type run builds its default horse list (on unless the
    // user chose 馬一覧を作成しない, or analyze --no-list).
    bool buildHorseList = true;

    // What the database check and preparation did in this run.
    PreparationReport preparation;

    // This process's lock on the application database (made on first use,
    // held until the context goes, after the connection below has closed)
    // and how long taking it may wait.
    std::unique_ptr<common::DatabaseLock> databaseLock;
    DatabaseLockWaits lockWaits;

    // The one connection to the application database, open for the whole run
    // once start-up has opened it.
    std::unique_ptr<store::Database> appDb;

    Prompter& prompter;
    Busy& busy;
};

} // namespace tq::context
