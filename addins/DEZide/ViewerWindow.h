#pragma once
// The race viewer's window: the programme line, the runners and the payouts
// of one race. It watches DEZide.ini: when the main program hands over
// another race (it rewrites the file rather than start a second viewer), the
// window shows that race and comes to the front (each hand-over is a double
// click of the user's, even of the race already shown). Problems (no key, an unknown race) are shown in the
// window itself, so a viewer left open never blocks on a message box.

#include "RaceCard.h"

#include <QDateTime>
#include <QMainWindow>

class QFileSystemWatcher;
class QLabel;
class QTableWidget;

namespace tq::store {
class Database;
}

namespace tq::addins::viewer {

class ViewerWindow final : public QMainWindow {
    Q_OBJECT
public:
    // `db` must outlive the window; `iniPath` is the hand-over file.
    ViewerWindow(store::Database& db, const QString& iniPath, QWidget* parent = nullptr);

    // Reads the hand-over file and shows its race unless it is the one shown.
    // True when a race is shown.
    bool showHandedRace();
    // Shows the race of `raceKey`; false (and the reason in the window and in
    // error()) when there is none.
    bool showRace(const QString& raceKey);

    const QString& shownRaceKey() const { return m_shownKey; }
    const QString& error() const { return m_error; }

signals:
    // A race was shown (after a start or a hand-over).
    void raceShown(const QString& raceKey);

private:
    void fill(const RaceCard& card);
    void watch();
    // A change in the hand-over file's directory: a rewritten file is a new
    // hand-over; other files changing there are none.
    void followHandOver();

    store::Database& m_db;
    QString m_iniPath;
    QString m_shownKey;
    QString m_error;
    QFileSystemWatcher* m_watcher = nullptr;
    QDateTime m_handedAt; // the hand-over file's time when last read
    QLabel* m_headline = nullptr;
    QTableWidget* m_runners = nullptr;
    QTableWidget* m_payouts = nullptr;
};

} // namespace tq::addins::viewer
