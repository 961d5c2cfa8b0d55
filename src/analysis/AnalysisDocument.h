#pragma once
// One analysis document without any window: its identity (caption, file,
// author, comment), its conditions, the result of its last run, its history
// of ungrouped runs, its horse lists and the state the window keeps about
// them. Windows display and edit documents; batch operations (recalculation,
// export, import, conversion) use documents that are never shown.
//
// Threading: one thread. A run yields to the event loop once in a while, so
// the window may be asked to start a second run of the same document while
// the first is still reading rows: RunLock makes the second one refuse.

#include "analysis/Sheet.h"
#include "analysis/Simulation.h"
#include "conditions/ConditionSet.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>

namespace tq::analysis {

class AnalysisDocument final {
public:
    AnalysisDocument();

    static QString defaultCaption() { return QStringLiteral("新規分析"); }
    // The list caption naming the default list.
    static QString defaultListCaption() { return QStringLiteral("配当のみ（デフォルト）"); }
    // History rows kept; the oldest goes when a run adds one more.
    static constexpr int kHistoryLimit = 100;

    QString caption = defaultCaption();
    QString filePath;
    QString author;
    QString comment;
    // The conditions changed since the document was last saved or stored as
    // a favourite (SaveFlgSet).
    bool modified = false;

    conditions::ConditionSet conditions;
    // The twelve summary label texts that only condition files carry.
    std::array<QString, 12> summaryLabels;

    Sheet result;            // the last run's statistics; its Tag: bet-type label pairs
    Sheet history;           // one row per ungrouped run, oldest first
    QStringList historyConditions; // condition-file text of each history row
    Sheet defaultList;       // the horses counted by the last run
    Sheet settingList;       // the list by setting, row n belonging to defaultList row n
    QString listCaption = defaultListCaption();
    QString shownListSetting; // setting whose list settingList holds
    bool listLimit = false;   // ２０００件以上は表示しない
    // Whether the window shows the list grids; a run hides them while it
    // reads rows and shows them again when it completes.
    bool listsVisible = true;

    // Options of the next win-type run, kept in memory only (condition files
    // and favourites never carry them). A valid splitDate counts every group
    // a second time in two periods, before the date and from it on; intervals
    // adds the return-rate intervals of every group.
    QDate splitDate;
    bool intervals = false;
    // Their figures from the last run, one row per result row in the order
    // the run wrote them, with the group labels in the first columns; empty
    // when the option was off.
    Sheet splitResult;
    Sheet intervalResult;
    // The staking simulation: its settings (simulation.enabled makes a run
    // collect its counted rows), the rows of the last such run, kept so that
    // other settings can be simulated without running again, and its result
    // (over the validation period when splitDate is valid).
    SimulationSettings simulation;
    SimulationRows simulationRows;
    SimulationResult simulationResult;
    // Simulates simulationRows again with the current settings.
    void resimulate();

    // The header last clicked in the result grid or either list, and its
    // order: one pair for all three grids.
    int sortColumn = -1;
    bool sortDescending = false;

    // Called after a row was appended to `history`: keeps its companion text,
    // then drops the oldest rows (with their texts) beyond kHistoryLimit.
    void noteHistoryRow(const QString& conditionText);
    // 履歴クリアー: no history rows, no companion texts.
    void clearHistory();

    bool isRunning() const { return m_running; }

    // Holds the document's run flag for its lifetime, when it was free.
    class RunLock final {
    public:
        explicit RunLock(AnalysisDocument& document) : m_document(document)
        {
            m_owned = !document.m_running;
            document.m_running = true;
        }
        ~RunLock()
        {
            if (m_owned)
                m_document.m_running = false;
        }
        RunLock(const RunLock&) = delete;
        RunLock& operator=(const RunLock&) = delete;
        // False when another run of the document was already going.
        bool acquired() const { return m_owned; }

    private:
        AnalysisDocument& m_document;
        bool m_owned = false;
    };

private:
    bool m_running = false;
};

} // namespace tq::analysis
