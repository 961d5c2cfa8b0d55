#include "favourites/ui/FavouriteOrganizer.h"

#include "analysis/ui/SheetModel.h"
#include "context/AppContext.h"
#include "favourites/FavouriteStore.h"
#include "favourites/ui/ConditionViewer.h"
#include "favourites/ui/FavouriteOrganizerModel.h"
#include "store/DbError.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace tq::favourites::ui {

namespace {

const QString& allEntries()
{
    static const QString text = QStringLiteral("全て");
    return text;
}

constexpr int kFrozenColumns = 3;

// Column widths in the grid's character units; 0 hides, -1 keeps the default.
int widthUnits(int column)
{
    if (column == organizer::kShow)
        return 3;
    if (column == organizer::kGroup || column == organizer::kName)
        return 12;
    if (column >= 3 && column <= 12)
        return 5;
    if (column == 13)
        return 20;
    if (column == organizer::kColour)
        return 0;
    return -1;
}

// The grid under the frozen columns: a cell brought into view (by the
// keyboard, a click or a search) is scrolled clear of them, not beneath.
class OrganizerGrid final : public QTableView {
  public:
    using QTableView::QTableView;

    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override
    {
        QTableView::scrollTo(index, hint);
        if (!index.isValid() || index.column() < kFrozenColumns)
            return;
        int frozen = 0;
        for (int column = 0; column < kFrozenColumns; ++column)
            frozen += isColumnHidden(column) ? 0 : columnWidth(column);
        const int left = columnViewportPosition(index.column());
        if (left < frozen)
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() - (frozen - left));
    }
};

} // namespace

FavouriteOrganizer::FavouriteOrganizer(context::AppContext& context, ConditionViewer& viewer, QWidget* parent)
    : QWidget(parent, Qt::Window), m_context(context), m_viewer(viewer)
{
    setObjectName(QStringLiteral("frmFavoSeiri"));
    setWindowTitle(QStringLiteral("お気に入りの整理（ダイレクト編集）"));

    auto* label2 = new QLabel(QStringLiteral("グループ"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    m_cboGroup = new QComboBox(this);
    m_cboGroup->setObjectName(QStringLiteral("cboGroup"));
    m_cboGroup->setMinimumContentsLength(12);
    auto* label1 = new QLabel(QStringLiteral("作者名"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    m_cboSaku = new QComboBox(this);
    m_cboSaku->setObjectName(QStringLiteral("cboSaku"));
    m_cboSaku->setMinimumContentsLength(12);

    m_model = new FavouriteOrganizerModel(context, this);
    m_grid = new OrganizerGrid(this);
    m_grid->setObjectName(QStringLiteral("vaSpread1"));
    m_grid->setModel(m_model);
    m_grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    // Rows of one fixed height: the header never measures ten thousand rows.
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->horizontalHeader()->setSectionsClickable(true);
    m_grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    // The frozen columns: a second view of the same model and selection laid
    // over the grid's left edge, scrolling only up and down with it.
    m_frozen = new QTableView(m_grid);
    m_frozen->setObjectName(QStringLiteral("vaSpread1Frozen"));
    m_frozen->setModel(m_model);
    m_frozen->setSelectionModel(m_grid->selectionModel());
    m_frozen->setSelectionMode(m_grid->selectionMode());
    m_frozen->setEditTriggers(m_grid->editTriggers());
    m_frozen->setContextMenuPolicy(Qt::CustomContextMenu);
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->verticalHeader()->hide();
    m_frozen->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_frozen->verticalHeader()->setDefaultSectionSize(m_grid->verticalHeader()->defaultSectionSize());
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setFrameShape(QFrame::NoFrame);
    m_frozen->setStyleSheet(QStringLiteral("QTableView { border: none; border-right: 1px solid palette(mid); }"));
    connect(m_frozen->verticalScrollBar(), &QScrollBar::valueChanged, m_grid->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(m_grid->verticalScrollBar(), &QScrollBar::valueChanged, m_frozen->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (column < kFrozenColumns) {
            m_frozen->setColumnWidth(column, size);
            layOutFrozen();
        }
    });

    m_menu = new QMenu(QStringLiteral("右クリックメニュー"), this);
    m_menu->setObjectName(QStringLiteral("mnu_migiclick"));
    const std::pair<const char*, const char*> entries[] = {
        {"mnu_copy", "コピー"}, {"mnu_del", "削除"}, {"mnuGroupChg", "グループ名変更"}, {"mnuColorChg", "色変更"}};
    const std::function<void()> actions[] = {[this] { copySelection(); }, [this] { deleteSelection(); },
                                             [this] { regroupSelection(); }, [this] { recolourSelection(); }};
    for (std::size_t i = 0; i < std::size(entries); ++i) {
        QAction* action = m_menu->addAction(QString::fromUtf8(entries[i].second));
        action->setObjectName(QString::fromLatin1(entries[i].first));
        const QString handler = action->objectName() + QStringLiteral("_Click");
        connect(action, &QAction::triggered, this, [this, handler, body = actions[i]] { report(handler, body); });
    }

    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setObjectName(QStringLiteral("Command1"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* filters = new QHBoxLayout;
    filters->addWidget(label2);
    filters->addWidget(m_cboGroup);
    filters->addSpacing(16);
    filters->addWidget(label1);
    filters->addWidget(m_cboSaku);
    filters->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);

    m_viewerDelay = new QTimer(this);
    m_viewerDelay->setSingleShot(true);
    connect(m_viewerDelay, &QTimer::timeout, this,
            [this] { report(QStringLiteral("vaSpread2_Click"), [this] { showClickedConditions(); }); });
    for (QTableView* view : {m_grid, m_frozen}) {
        connect(view->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
            report(QStringLiteral("vaSpread1_Click"), [this, column] { onHeaderClicked(column); });
        });
        connect(view, &QTableView::clicked, this, &FavouriteOrganizer::onClicked);
        connect(view, &QTableView::doubleClicked, m_viewerDelay, &QTimer::stop);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint& at) { m_menu->popup(view->viewport()->mapToGlobal(at)); });
    }
    m_grid->viewport()->installEventFilter(this);
    m_grid->verticalHeader()->installEventFilter(this);
    connect(m_cboGroup, &QComboBox::currentIndexChanged, this, [this] {
        if (m_filling)
            return;
        m_sort = OrganizerSort();
        m_lastSorted = organizer::kGroup;
        report(QStringLiteral("cboGroup_Click"), [this] { subHyouji(); });
    });
    connect(m_cboSaku, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_filling)
            report(QStringLiteral("cboSaku_Click"), [this] { subHyouji(); });
    });
    connect(&m_viewer, &ConditionViewer::favouriteDeleted, this, [this](const QString&, int topRow) {
        report(QStringLiteral("cmdDel_Click"), [this, topRow] {
            subHyouji();
            scrollToRow(topRow);
        });
    });

    m_lastSorted = organizer::kGroup;
    report(QStringLiteral("Form_Load"), [this] {
        fillFilters();
        subHyouji();
    });
    resize(960, 560);
    if (parent)
        move(parent->window()->geometry().topLeft() + QPoint(30, 100));
}

FavouriteOrganizer::~FavouriteOrganizer() = default;

void FavouriteOrganizer::fillFilters()
{
    m_filling = true;
    FavouriteStore store(*m_context.appDb);
    m_cboGroup->clear();
    m_cboGroup->addItem(allEntries());
    for (const QString& group : store.allGroupNames())
        m_cboGroup->addItem(group, group);
    m_cboSaku->clear();
    m_cboSaku->addItem(allEntries());
    for (const QString& author : store.authorNames())
        m_cboSaku->addItem(author, author);
    m_filling = false;
}

OrganizerFilter FavouriteOrganizer::filter() const
{
    // The first entry is 全て; every other entry carries its value as data
    // (so a group really named 全て still filters).
    OrganizerFilter f;
    if (m_cboGroup->currentIndex() > 0)
        f.group = m_cboGroup->currentData().toString();
    if (m_cboSaku->currentIndex() > 0)
        f.author = m_cboSaku->currentData().toString();
    return f;
}

void FavouriteOrganizer::subHyouji()
{
    m_model->reload(filter(), m_sort);
    QHeaderView* header = m_grid->horizontalHeader();
    const double unit = analysis::ui::pixelsPerWidthUnit(*m_grid);
    // The narrow count and rate columns still show six digits whole.
    const int sixDigits = m_grid->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 10;
    const auto minimumWidth = [sixDigits](int column) { return column >= 3 && column <= 12 ? sixDigits : 0; };
    for (int column = 0; column < kOrganizerColumnCount; ++column) {
        const int units = widthUnits(column);
        m_grid->setColumnHidden(column, units == 0);
        m_frozen->setColumnHidden(column, column >= kFrozenColumns);
        if (units > 0)
            header->resizeSection(column, std::max(int(units * unit + 0.5), minimumWidth(column)));
        else if (units < 0)
            header->resizeSection(column, header->defaultSectionSize());
    }
    for (int column = 0; column < kFrozenColumns; ++column)
        m_frozen->setColumnWidth(column, header->sectionSize(column));
    layOutFrozen();
}

int FavouriteOrganizer::topRow() const
{
    return std::max(0, m_grid->rowAt(0));
}

void FavouriteOrganizer::scrollToRow(int row)
{
    while (m_model->rowCount() <= row && m_model->canFetchMore({}))
        m_model->fetchMore({});
    if (m_model->rowCount() == 0)
        return;
    m_grid->scrollTo(m_model->index(std::min(row, m_model->rowCount() - 1), kFrozenColumns),
                     QAbstractItemView::PositionAtTop);
}

void FavouriteOrganizer::onHeaderClicked(int column)
{
    // The 表示 column does not sort.
    if (column < 1 || column >= kOrganizerColumnCount)
        return;
    const bool descending = column == m_lastSorted && !m_sort.descending;
    m_sort.column = organizerColumns()[std::size_t(column)];
    m_sort.descending = descending;
    m_lastSorted = column;
    subHyouji();
}

void FavouriteOrganizer::onClicked(const QModelIndex& index)
{
    // The 表示 column only ticks.
    if (!index.isValid() || index.column() < 1)
        return;
    m_clicked = index;
    m_viewerDelay->start(QApplication::doubleClickInterval());
}

void FavouriteOrganizer::showClickedConditions()
{
    if (!m_clicked.isValid())
        return;
    const QString name = m_model->nameAt(m_clicked.row());
    const std::optional<Favourite> favourite = FavouriteStore(*m_context.appDb).find(name);
    if (favourite)
        m_viewer.ShowJouken2(*favourite, topRow());
}

void FavouriteOrganizer::report(const QString& handler, const std::function<void()>& body)
{
    try {
        body();
    } catch (const FavouriteError& e) {
        m_context.prompter.inform({e.message(), {}, context::Icon::Exclamation, false});
    } catch (const std::exception& e) {
        m_context.errorLog.report({0, QString::fromUtf8(e.what()), QString()}, handler);
        m_context.prompter.inform({QString::fromUtf8(e.what()), {}, context::Icon::Critical, false});
    }
}

void FavouriteOrganizer::layOutFrozen()
{
    int width = 0;
    for (int column = 0; column < kFrozenColumns; ++column)
        width += m_grid->isColumnHidden(column) ? 0 : m_grid->columnWidth(column);
    m_frozen->horizontalHeader()->setFixedHeight(m_grid->horizontalHeader()->height());
    // Over the grid's first columns: right of its row numbers, from the top of
    // its column headings to the bottom of its rows.
    const QRect viewport = m_grid->viewport()->geometry();
    const int top = m_grid->horizontalHeader()->geometry().top();
    m_frozen->setGeometry(viewport.left(), top, width, viewport.bottom() + 1 - top);
}

void FavouriteOrganizer::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOutFrozen();
}

bool FavouriteOrganizer::eventFilter(QObject* watched, QEvent* event)
{
    // The grid's viewport moves and changes size with its row numbers (whose
    // width grows with the row count), scroll bars and rows.
    const bool gridPart = watched == m_grid->viewport() || watched == m_grid->verticalHeader();
    if (gridPart && (event->type() == QEvent::Resize || event->type() == QEvent::Move || event->type() == QEvent::Show))
        layOutFrozen();
    return QWidget::eventFilter(watched, event);
}

} // namespace tq::favourites::ui
