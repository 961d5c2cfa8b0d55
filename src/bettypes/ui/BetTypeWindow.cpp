#include "bettypes/ui/BetTypeWindow.h"

#include "analysis/ui/ResultGrid.h"
#include "analysis/ui/SheetModel.h"
#include "context/AppContext.h"
#include "context/ui/WindowFocus.h"
#include "store/Database.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

namespace tq::bettypes::ui {

BetTypeWindow::BetTypeWindow(context::AppContext& ctx, FavouriteChooser chooser, QWidget* parent)
    : QWidget(parent), m_ctx(ctx), m_chooser(std::move(chooser))
{
    setObjectName(QStringLiteral("frmUmaren"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    static const char16_t* const captions[2] = {u"軸馬用お気に入り", u"相手馬用お気に入り"};
    for (int i = 0; i < 2; ++i) {
        const QString n = QString::number(i);
        auto* frame = new QGroupBox(QString::fromUtf16(captions[i]), this);
        frame->setObjectName(QStringLiteral("frmFavo") + n);
        auto* box = new QVBoxLayout(frame);
        auto* row = new QHBoxLayout;
        m_txtFavorite[std::size_t(i)] = new QLineEdit(frame);
        m_txtFavorite[std::size_t(i)]->setObjectName(QStringLiteral("txtFavorite") + n);
        m_cmdFavorite[std::size_t(i)] = new QPushButton(QStringLiteral("参照"), frame);
        m_cmdFavorite[std::size_t(i)]->setObjectName(QStringLiteral("cmdFavorite") + n);
        row->addWidget(m_txtFavorite[std::size_t(i)], 1);
        row->addWidget(m_cmdFavorite[std::size_t(i)]);
        box->addLayout(row);
        m_chkFavoGroup[std::size_t(i)] = new QCheckBox(QStringLiteral("グループ全体を指定"), frame);
        m_chkFavoGroup[std::size_t(i)]->setObjectName(QStringLiteral("chkFavoGroup") + n);
        box->addWidget(m_chkFavoGroup[std::size_t(i)]);
        m_frmFavo[std::size_t(i)] = frame;
        top->addWidget(frame, 1);
        connect(m_cmdFavorite[std::size_t(i)], &QPushButton::clicked, this, [this, i] { choose(i); });
    }
    auto* kinds = new QGroupBox(this);
    auto* kindBox = new QVBoxLayout(kinds);
    static const char16_t* const options[2] = {u"軸馬から相手馬への流し", u"対象馬のBOX"};
    for (int i = 0; i < 2; ++i) {
        m_optSyurui[std::size_t(i)] = new QRadioButton(QString::fromUtf16(options[i]), kinds);
        m_optSyurui[std::size_t(i)]->setObjectName(QStringLiteral("optSyurui") + QString::number(i));
        kindBox->addWidget(m_optSyurui[std::size_t(i)]);
        connect(m_optSyurui[std::size_t(i)], &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                applyKind();
        });
    }
    top->addWidget(kinds);
    layout->addLayout(top);

    m_grid = analysis::ui::makeSheetGrid(QStringLiteral("vaSpread2"), 6);
    m_model = new analysis::ui::SheetModel(&m_table, this);
    m_grid->setModel(m_model);
    m_grid->verticalHeader()->hide();
    layout->addWidget(m_grid, 1);

    m_optSyurui[0]->setChecked(true);
}

BetTypeWindow::~BetTypeWindow() = default;

BetWindowState BetTypeWindow::state() const
{
    BetWindowState st;
    for (std::size_t i = 0; i < 2; ++i)
        st.favourites[i] = FavouritePick{m_txtFavorite[i]->text(), m_chkFavoGroup[i]->isChecked()};
    st.flow = m_optSyurui[0]->isChecked();
    return st;
}

void BetTypeWindow::setState(const BetWindowState& st)
{
    for (std::size_t i = 0; i < 2; ++i) {
        m_txtFavorite[i]->setText(st.favourites[i].name);
        m_chkFavoGroup[i]->setChecked(st.favourites[i].wholeGroup);
    }
    m_optSyurui[st.flow ? 0 : 1]->setChecked(true);
}

void BetTypeWindow::choose(int index)
{
    if (!m_chooser)
        return;
    const std::optional<FavouritePick> pick = m_chooser(this);
    if (!pick || pick->name.isEmpty())
        return;
    m_txtFavorite[std::size_t(index)]->setText(pick->name);
    m_chkFavoGroup[std::size_t(index)]->setChecked(pick->wholeGroup);
}

void BetTypeWindow::applyKind()
{
    const bool box = m_optSyurui[1]->isChecked();
    m_frmFavo[1]->setVisible(!box);
    m_frmFavo[0]->setTitle(box ? QStringLiteral("ＢＯＸ用お気に入り") : QStringLiteral("軸馬用お気に入り"));
    // The last run's table was of the other kind: it no longer answers the
    // choice shown.
    m_table.clear();
    m_model->refresh();
}

bool BetTypeWindow::runAnalysis()
{
    if (m_running)
        return false;
    m_running = true;
    bool ok = false;
    {
        // The controls stay disabled while the run lets events through.
        const context::ui::ControlsLockedDuringRun locked(*this);
        ok = subBunsekiUma(m_ctx, state(), m_table);
    }
    m_running = false;
    m_model->refresh();
    // The table has no stored widths: its columns take their texts' widths.
    m_grid->resizeColumnsToContents();
    return ok;
}

QString BetTypeWindow::selectionText() const
{
    const std::optional<analysis::SheetRange> range = analysis::ui::selectedRange(*m_grid);
    return m_table.toTsv(range.value_or(
        analysis::SheetRange{-1, 0, m_table.rowCount() - 1, m_table.columnCount() - 1}));
}

} // namespace tq::bettypes::ui
