#include "ViewerWindow.h"

#include "context/ui/WindowFocus.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tq::addins::viewer {

namespace {

QTableWidget* table(const QStringList& headers)
{
    auto* grid = new QTableWidget(0, int(headers.size()));
    grid->setHorizontalHeaderLabels(headers);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    return grid;
}

void setRow(QTableWidget* grid, int row, const QStringList& texts, int firstTextColumn)
{
    for (int column = 0; column < texts.size(); ++column) {
        auto* item = new QTableWidgetItem(texts.at(column));
        // Numbers right-aligned, names left-aligned.
        if (column != firstTextColumn && column != firstTextColumn + 1)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->setItem(row, column, item);
    }
}

} // namespace

ViewerWindow::ViewerWindow(store::Database& db, const QString& iniPath, QWidget* parent)
    : QMainWindow(parent), m_db(db), m_iniPath(iniPath)
{
    setWindowTitle(QStringLiteral("レースビューア"));
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    m_headline = new QLabel;
    QFont font = m_headline->font();
    font.setPointSizeF(font.pointSizeF() * 1.3);
    font.setBold(true);
    m_headline->setFont(font);
    m_headline->setWordWrap(true);
    layout->addWidget(m_headline);

    // Runners on the left, the payouts of a past race beside them.
    auto* splitter = new QSplitter(Qt::Horizontal);
    m_runners = table({QStringLiteral("着順"), QStringLiteral("枠番"), QStringLiteral("馬番"), QStringLiteral("馬名"),
                       QStringLiteral("騎手"), QStringLiteral("斤量"), QStringLiteral("基準オッズ"),
                       QStringLiteral("確定オッズ"), QStringLiteral("人気")});
    m_payouts = table({QStringLiteral("券種"), QStringLiteral("組合せ"), QStringLiteral("払戻金")});
    splitter->addWidget(m_runners);
    splitter->addWidget(m_payouts);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    layout->addWidget(splitter, 1);
    setCentralWidget(central);
    resize(1000, 640);

    m_watcher = new QFileSystemWatcher(this);
    // The file is replaced as a whole when rewritten, which ends a watch on
    // it: the directory is watched too, and the file watched again.
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { QTimer::singleShot(50, this, [this] { followHandOver(); }); });
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { QTimer::singleShot(50, this, [this] { followHandOver(); }); });
    m_handedAt = QFileInfo(m_iniPath).lastModified();
    watch();
}

void ViewerWindow::followHandOver()
{
    const QDateTime handedAt = QFileInfo(m_iniPath).lastModified();
    const bool handedOver = handedAt != m_handedAt;
    m_handedAt = handedAt;
    if (showHandedRace() && handedOver && isVisible())
        context::ui::bringToFront(*this);
}

void ViewerWindow::watch()
{
    const QString directory = QFileInfo(m_iniPath).absolutePath();
    if (!m_watcher->directories().contains(directory))
        m_watcher->addPath(directory);
    if (QFileInfo::exists(m_iniPath) && !m_watcher->files().contains(m_iniPath))
        m_watcher->addPath(m_iniPath);
}

bool ViewerWindow::showHandedRace()
{
    watch();
    const QString key = readHandedRaceKey(m_iniPath);
    if (!m_shownKey.isEmpty() && key == m_shownKey)
        return true;
    if (key.isEmpty() && !m_error.isEmpty())
        return false;
    return showRace(key);
}

bool ViewerWindow::showRace(const QString& raceKey)
{
    auto card = loadRace(m_db, raceKey, m_error);
    if (!card) {
        m_shownKey.clear();
        m_headline->setText(m_error);
        m_headline->setStyleSheet(QStringLiteral("color: #b00000"));
        m_runners->setRowCount(0);
        m_payouts->setRowCount(0);
        return false;
    }
    m_error.clear();
    m_shownKey = raceKey;
    m_headline->setStyleSheet(QString());
    fill(*card);
    emit raceShown(raceKey);
    return true;
}

void ViewerWindow::fill(const RaceCard& card)
{
    setWindowTitle(QStringLiteral("レースビューア - ") + card.raceKey);
    m_headline->setText(card.headline() + (card.past ? QString() : QStringLiteral("（本日のレース）")));
    m_runners->setRowCount(int(card.runners.size()));
    for (int row = 0; row < int(card.runners.size()); ++row) {
        const Runner& r = card.runners[std::size_t(row)];
        setRow(m_runners, row, {r.finish, r.frame, r.number, r.name, r.jockey, r.weight, r.baseOdds, r.finalOdds, r.popularity}, 3);
    }
    m_runners->resizeColumnsToContents();
    m_runners->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    const QLocale locale(QLocale::Japanese, QLocale::Japan);
    m_payouts->setRowCount(int(card.payouts.size()));
    for (int row = 0; row < int(card.payouts.size()); ++row) {
        const Payout& p = card.payouts[std::size_t(row)];
        setRow(m_payouts, row, {p.betType, p.combination, locale.toString(p.amount) + QStringLiteral("円")}, 0);
    }
    m_payouts->resizeColumnsToContents();
    m_payouts->setVisible(card.past);
}

} // namespace tq::addins::viewer
