// The analysis window's frame and its conditions tab: the condition grid,
// the favourite link, the analysis kind, comment and author.

#include "analysis/ui/AnalysisWindow.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/ui/ConditionCaptions.h"
#include "analysis/ui/ConditionGridModel.h"
#include "analysis/ui/SheetModel.h"
#include "context/AppContext.h"
#include "context/StatusLine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace tq::analysis::ui {

namespace {

QString pendingTip(const char16_t* what)
{
    return QString::fromUtf16(what) + QStringLiteral("はまだ利用できません");
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

// A tab page in a scroll area: in a small child window the controls scroll
// instead of being cut off; in a large one the page fills the tab.
QWidget* scrollable(QWidget* page)
{
    auto* area = new QScrollArea;
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(page);
    return area;
}

} // namespace

AnalysisWindow::AnalysisWindow(context::AppContext& context, AnalysisDocument& document, QWidget* parent)
    : QWidget(parent), m_context(context), m_document(document), m_ownStatus(new context::MemoryStatusLine)
{
    setObjectName(QStringLiteral("frmDEVovuved"));
    m_status = m_ownStatus.get();

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_tabs->addTab(scrollable(buildConditionTab()), QStringLiteral("条件設定"));
    m_tabs->addTab(scrollable(buildResultTab()), QStringLiteral("分析結果"));
    m_tabs->addTab(scrollable(buildListTab()), QStringLiteral("一覧表示"));
    m_tabs->addTab(scrollable(buildHistoryTab()), QStringLiteral("分析結果履歴"));
    m_tabs->addTab(scrollable(buildCheckTab()), QStringLiteral("検証・信頼区間"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_tabs);

    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index != 0)
            emit conditionEditorHideRequested();
    });
    resize(sizeHint());
    refreshFromDocument();
    m_tabs->setCurrentIndex(0);
}

AnalysisWindow::~AnalysisWindow() = default;

QSize AnalysisWindow::sizeHint() const
{
    return {1100, 760};
}

void AnalysisWindow::setStatusLine(context::StatusLine* status)
{
    m_status = status ? status : m_ownStatus.get();
}

void AnalysisWindow::setFavouriteRegistration(FavouriteRegistration registration)
{
    m_registration = std::move(registration);
}

void AnalysisWindow::setFavouritePicker(FavouritePicker picker)
{
    m_picker = std::move(picker);
    for (QPushButton* b : {m_cmdFavorite0, m_cmdFavorite1}) {
        b->setEnabled(bool(m_picker));
        b->setToolTip(m_picker ? QString() : pendingTip(u"お気に入りの選択画面"));
    }
}

void AnalysisWindow::pickFavourite(bool axis)
{
    QString name;
    bool wholeGroup = false;
    if (!m_picker || !m_picker(name, wholeGroup))
        return;
    QLineEdit* box = axis ? m_txtJiku : m_txtFavorite;
    QCheckBox* group = axis ? m_chkJikuGroup : m_chkFavoGroup;
    box->setText(name);
    {
        const QSignalBlocker blocker(group);
        group->setChecked(wholeGroup);
    }
    if (axis) {
        m_document.conditions.axisFavourite = name;
        m_document.conditions.axisWholeGroup = wholeGroup;
    } else {
        m_document.conditions.favourite.name = name;
        m_document.conditions.favourite.wholeGroup = wholeGroup;
    }
    markModified();
}

// --- the conditions tab --------------------------------------------------------

QWidget* AnalysisWindow::buildConditionTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    m_conditionGrid = makeSheetGrid(QStringLiteral("vaSpread3"), kGridRows);
    m_conditionModel = new ConditionGridModel(m_document.conditions, this);
    m_conditionGrid->setModel(m_conditionModel);
    m_conditionGrid->setEditTriggers(QAbstractItemView::AllEditTriggers);
    m_conditionGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_conditionGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_conditionGrid->horizontalHeader()->setStretchLastSection(false);
    layOutConditionGrid(*m_conditionGrid);
    m_conditionGrid->viewport()->installEventFilter(this);
    connect(m_conditionModel, &ConditionGridModel::maskChanged, this, [this] { markModified(); });
    connect(m_conditionGrid, &QTableView::clicked, this, [this](const QModelIndex& index) {
        if (index.column() >= 1)
            emit conditionEditorRequested(index.row());
    });
    layout->addWidget(m_conditionGrid, 1);

    auto* cmdJouken = button(QStringLiteral("cmdJouken"), QStringLiteral("条件設定画面表示"), page);
    connect(cmdJouken, &QPushButton::clicked, this, [this] { emit conditionEditorRequested(0); });
    auto* top = new QHBoxLayout;
    top->addWidget(cmdJouken);
    top->addStretch(1);
    layout->addLayout(top);

    // The favourite link.
    auto* link = new QGroupBox(QStringLiteral("他のお気に入りとのリンク"), page);
    link->setObjectName(QStringLiteral("fraFavorite"));
    auto* linkLayout = new QGridLayout(link);
    m_txtFavorite = new QLineEdit(link);
    m_txtFavorite->setObjectName(QStringLiteral("txtFavorite"));
    m_txtFavorite->setMinimumWidth(140);
    m_cmdFavorite0 = button(QStringLiteral("cmdFavorite0"), QStringLiteral("参照"), link);
    m_cmdFavorite0->setEnabled(false);
    m_cmdFavorite0->setToolTip(pendingTip(u"お気に入りの選択画面"));
    connect(m_cmdFavorite0, &QPushButton::clicked, this, [this] { pickFavourite(false); });
    m_chkFavoGroup = new QCheckBox(QStringLiteral("グループ全体を指定"), link);
    m_chkFavoGroup->setObjectName(QStringLiteral("chkFavoGroup"));
    m_chkFavorite = new QCheckBox(QStringLiteral("レースの絞込み条件として使用する"), link);
    m_chkFavorite->setObjectName(QStringLiteral("chkFavorite"));
    m_lblHaving0 = new QLabel(QStringLiteral("レース中の該当件数が"), link);
    m_lblHaving0->setObjectName(QStringLiteral("lblHaving0"));
    m_cboHaving0 = new QComboBox(link);
    m_cboHaving0->setObjectName(QStringLiteral("cboHaving0"));
    m_cboHaving0->addItems({QStringLiteral(">"), QStringLiteral("<"), QStringLiteral("=")});
    m_cboHaving1 = new QComboBox(link);
    m_cboHaving1->setObjectName(QStringLiteral("cboHaving1"));
    for (int n = 0; n <= 19; ++n)
        m_cboHaving1->addItem(QString::number(n));
    m_lblHaving1 = new QLabel(QStringLiteral("の場合のみ対象"), link);
    m_lblHaving1->setObjectName(QStringLiteral("lblHaving1"));
    linkLayout->addWidget(m_txtFavorite, 0, 0, 1, 3);
    linkLayout->addWidget(m_cmdFavorite0, 0, 3);
    linkLayout->addWidget(m_chkFavoGroup, 1, 0, 1, 4);
    linkLayout->addWidget(m_chkFavorite, 2, 0, 1, 4);
    auto* having = new QHBoxLayout;
    having->addWidget(m_lblHaving0);
    having->addWidget(m_cboHaving0);
    having->addWidget(m_cboHaving1);
    having->addWidget(m_lblHaving1);
    having->addStretch(1);
    linkLayout->addLayout(having, 3, 0, 1, 4);
    linkLayout->setColumnStretch(0, 1);

    auto favouriteEdited = [this] {
        if (m_loading)
            return;
        conditions::FavouriteFilter& fav = m_document.conditions.favourite;
        fav.name = m_txtFavorite->text();
        fav.wholeGroup = m_chkFavoGroup->isChecked();
        fav.isFavourite = m_chkFavorite->isChecked();
        fav.havingOperator = fav.isFavourite ? m_cboHaving0->currentText() : QString();
        fav.havingNumber = fav.isFavourite ? m_cboHaving1->currentText() : QString();
        markModified();
    };
    connect(m_txtFavorite, &QLineEdit::textEdited, this, favouriteEdited);
    connect(m_chkFavoGroup, &QCheckBox::toggled, this, favouriteEdited);
    connect(m_chkFavorite, &QCheckBox::toggled, this, [this, favouriteEdited] {
        updateHavingVisibility();
        favouriteEdited();
    });
    connect(m_cboHaving0, &QComboBox::currentIndexChanged, this, favouriteEdited);
    connect(m_cboHaving1, &QComboBox::currentIndexChanged, this, favouriteEdited);

    // The analysis kind and its axis favourite.
    auto* kinds = new QGroupBox(QStringLiteral("分析の種類"), page);
    kinds->setObjectName(QStringLiteral("fraSyurui"));
    auto* kindLayout = new QGridLayout(kinds);
    static const char16_t* const kindCaptions[4] = {u"単複分析", u"馬連ＢＯＸ分析", u"馬連流し相手分析",
                                                    u"馬連流し軸馬分析"};
    for (int i = 0; i < 4; ++i) {
        m_optSyurui[std::size_t(i)] = new QRadioButton(QString::fromUtf16(kindCaptions[i]), kinds);
        m_optSyurui[std::size_t(i)]->setObjectName(QStringLiteral("optSyurui%1").arg(i));
        kindLayout->addWidget(m_optSyurui[std::size_t(i)], i / 2, (i % 2) * 2, 1, 2);
        connect(m_optSyurui[std::size_t(i)], &QRadioButton::clicked, this, [this, i] { setKind(i); });
    }
    m_lblJiku = new QLabel(kinds);
    m_lblJiku->setObjectName(QStringLiteral("lblJiku"));
    m_txtJiku = new QLineEdit(kinds);
    m_txtJiku->setObjectName(QStringLiteral("txtJiku"));
    m_cmdFavorite1 = button(QStringLiteral("cmdFavorite1"), QStringLiteral("参照"), kinds);
    m_cmdFavorite1->setEnabled(false);
    m_cmdFavorite1->setToolTip(pendingTip(u"お気に入りの選択画面"));
    connect(m_cmdFavorite1, &QPushButton::clicked, this, [this] { pickFavourite(true); });
    m_chkJikuGroup = new QCheckBox(QStringLiteral("グループ全体を指定"), kinds);
    m_chkJikuGroup->setObjectName(QStringLiteral("chkJikuGroup"));
    kindLayout->addWidget(m_lblJiku, 2, 0);
    kindLayout->addWidget(m_txtJiku, 2, 1, 1, 2);
    auto* jikuButtons = new QHBoxLayout;
    jikuButtons->addWidget(m_cmdFavorite1);
    jikuButtons->addWidget(m_chkJikuGroup);
    kindLayout->addLayout(jikuButtons, 2, 3);
    auto axisEdited = [this] {
        if (m_loading)
            return;
        m_document.conditions.axisFavourite = m_txtJiku->text();
        m_document.conditions.axisWholeGroup = m_chkJikuGroup->isChecked();
        markModified();
    };
    connect(m_txtJiku, &QLineEdit::textEdited, this, axisEdited);
    connect(m_chkJikuGroup, &QCheckBox::toggled, this, axisEdited);

    auto* middle = new QHBoxLayout;
    middle->addWidget(link, 1);
    middle->addWidget(kinds, 1);
    layout->addLayout(middle);

    // Comment and author.
    auto* notes = new QGridLayout;
    m_txtComment = new QLineEdit(page);
    m_txtComment->setObjectName(QStringLiteral("txtComment"));
    m_txtUser = new QLineEdit(page);
    m_txtUser->setObjectName(QStringLiteral("txtUser"));
    notes->addWidget(new QLabel(QStringLiteral("コメント"), page), 0, 0);
    notes->addWidget(m_txtComment, 0, 1);
    notes->addWidget(new QLabel(QStringLiteral("作者名"), page), 1, 0);
    notes->addWidget(m_txtUser, 1, 1);
    layout->addLayout(notes);
    connect(m_txtComment, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_document.comment = text;
        markModified();
    });
    connect(m_txtUser, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_document.author = text;
        markModified();
    });
    return page;
}

void AnalysisWindow::deleteConditionRow()
{
    if (m_tabs->currentIndex() != 0 || m_document.isRunning())
        return;
    const int row = m_conditionGrid->currentIndex().row();
    if (!m_conditionModel->isConditionRow(row))
        return;
    m_document.conditions.rows.erase(m_document.conditions.rows.begin() + row);
    m_conditionModel->refresh();
    markModified();
}

void AnalysisWindow::setKind(int kind)
{
    if (kind < 0 || kind > 3)
        return;
    const auto newKind = conditions::AnalysisKind(kind);
    if (m_document.conditions.kind != newKind) {
        m_document.conditions.kind = newKind;
        markModified();
    }
    m_optSyurui[std::size_t(kind)]->setChecked(true);
    updateKindControls();
}

void AnalysisWindow::updateKindControls()
{
    const int kind = int(m_document.conditions.kind);
    const bool betType = kind != 0;
    m_tabs->setTabText(0, betType ? QStringLiteral("条件設定【馬連】") : QStringLiteral("条件設定"));
    m_tabs->setTabText(1, betType ? QStringLiteral("分析結果【馬連】") : QStringLiteral("分析結果"));
    const bool axis = kind == 2 || kind == 3;
    m_lblJiku->setText(axisFavouriteCaption(kind));
    for (QWidget* w : {static_cast<QWidget*>(m_lblJiku), static_cast<QWidget*>(m_txtJiku),
                       static_cast<QWidget*>(m_cmdFavorite1), static_cast<QWidget*>(m_chkJikuGroup)})
        w->setVisible(axis);
}

void AnalysisWindow::updateHavingVisibility()
{
    const bool on = m_chkFavorite->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(m_lblHaving0), static_cast<QWidget*>(m_lblHaving1),
                       static_cast<QWidget*>(m_cboHaving0), static_cast<QWidget*>(m_cboHaving1)})
        w->setVisible(on);
}

} // namespace tq::analysis::ui
