#include "favourites/ui/ConditionViewer.h"

#include "analysis/ConditionFile.h"
#include "analysis/ui/AnalysisWindow.h"
#include "analysis/ui/ConditionGridModel.h"
#include "context/AppContext.h"
#include "favourites/Favourite.h"
#include "favourites/FavouriteStore.h"
#include "store/DbError.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

namespace tq::favourites::ui {

ConditionViewer::ConditionViewer(context::AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), m_context(context)
{
    setObjectName(QStringLiteral("frmJouRireki"));
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("vaSpread3"));
    m_model = new analysis::ui::ConditionGridModel(m_shown.conditions, this);
    m_model->setReadOnly(true);
    m_grid->setModel(m_model);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    analysis::ui::layOutConditionGrid(*m_grid);

    auto* label3 = new QLabel(QStringLiteral("作者名"), this);
    label3->setObjectName(QStringLiteral("Label3"));
    m_txtUser = new QLineEdit(this);
    m_txtUser->setObjectName(QStringLiteral("txtUser"));
    m_txtUser->setReadOnly(true);
    m_command1 = new QPushButton(QStringLiteral("この条件に戻す"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command2 = new QPushButton(QStringLiteral("この条件で新たに開く"), this);
    m_command2->setObjectName(QStringLiteral("Command2"));
    m_command2->setEnabled(false);
    m_cmdDel = new QPushButton(QStringLiteral("このお気に入りを削除"), this);
    m_cmdDel->setObjectName(QStringLiteral("cmdDel"));
    auto* command3 = new QPushButton(QStringLiteral("閉じる"), this);
    command3->setObjectName(QStringLiteral("Command3"));

    auto* author = new QHBoxLayout;
    author->addWidget(label3);
    author->addWidget(m_txtUser, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_command1);
    buttons->addWidget(m_command2);
    buttons->addWidget(m_cmdDel);
    buttons->addStretch(1);
    buttons->addWidget(command3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addLayout(author);
    layout->addLayout(buttons);

    connect(m_command1, &QPushButton::clicked, this, &ConditionViewer::onRestore);
    connect(m_command2, &QPushButton::clicked, this, &ConditionViewer::onOpen);
    connect(m_cmdDel, &QPushButton::clicked, this, &ConditionViewer::onDelete);
    connect(command3, &QPushButton::clicked, this, &QWidget::hide);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::hide);
    resize(720, 360);
    // Below the main window's menus and toolbar, not over them.
    if (parent)
        move(parent->window()->geometry().topLeft() + QPoint(60, 140));
}

ConditionViewer::~ConditionViewer() = default;

void ConditionViewer::setOpenHandler(OpenHandler handler)
{
    m_open = std::move(handler);
    m_command2->setEnabled(bool(m_open));
}

void ConditionViewer::ShowJouken(analysis::ui::AnalysisWindow& source, const QString& conditionText)
{
    m_source = &source;
    m_text = conditionText;
    m_name.clear();
    m_comment.clear();
    m_author.clear();
    // The whole text, so that the author of that run shows.
    analysis::ConditionLoadOptions options;
    options.input = analysis::ConditionInput::Text;
    analysis::funJoukenLoad(m_context, m_shown, conditionText, options);
    showConditions(QStringLiteral("分析結果履歴（条件表示）"), true);
}

void ConditionViewer::ShowJouken2(const Favourite& favourite, int topRow)
{
    m_source.clear();
    m_text = favourite.conditionText;
    m_name = favourite.name;
    m_comment = favourite.comment;
    m_author = favourite.author;
    m_topRow = topRow;
    analysis::ConditionLoadOptions options;
    options.input = analysis::ConditionInput::ConditionsOnly;
    options.commentOverride = favourite.comment;
    options.userOverride = favourite.author;
    analysis::funJoukenLoad(m_context, m_shown, favourite.conditionText, options);
    // Only the conditions are read from the text; the author shown is the
    // one the table holds.
    if (!favourite.author.trimmed().isEmpty())
        m_shown.author = favourite.author;
    showConditions(QStringLiteral("お気に入りの整理（条件表示）"), false);
}

void ConditionViewer::showConditions(const QString& caption, bool history)
{
    setWindowTitle(caption);
    m_model->refresh();
    analysis::ui::layOutConditionGrid(*m_grid);
    m_txtUser->setText(m_shown.author);
    m_command1->setVisible(history);
    m_command2->setText(history ? QStringLiteral("この条件で新たに開く") : QStringLiteral("このお気に入りを開く"));
    m_cmdDel->setVisible(!history);
    show();
    raise();
    activateWindow();
}

void ConditionViewer::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        raise();
}

void ConditionViewer::onRestore()
{
    if (!m_source)
        return;
    analysis::AnalysisDocument& document = m_source->document();
    // Rows being read by a run must not change under it.
    if (document.isRunning())
        return;
    analysis::ConditionLoadOptions options;
    options.input = analysis::ConditionInput::Text;
    analysis::funJoukenLoad(m_context, document, m_text, options);
    m_source->refreshFromDocument();
    // The document's conditions changed: closing it asks again.
    m_source->saveFlgSet(true);
    hide();
}

void ConditionViewer::onOpen()
{
    if (!m_open)
        return;
    // A favourite opens with the comment and author the table holds now,
    // which the organizer may have edited since it was registered.
    m_open({m_text, m_name, m_comment, m_author});
    hide();
}

void ConditionViewer::onDelete()
{
    if (m_name.isEmpty())
        return;
    const QString question = QStringLiteral("お気に入り［") + m_name + QStringLiteral("]を削除してもいいですか？");
    if (m_context.prompter.ask({question, {}, context::Icon::Question, false}) != context::Answer::Yes)
        return;
    try {
        FavouriteStore(*m_context.appDb).remove(m_name);
    } catch (const FavouriteError& e) {
        m_context.prompter.inform({e.message(), {}, context::Icon::Exclamation, false});
    } catch (const store::DbError& e) {
        m_context.errorLog.report({0, QString::fromUtf8(e.what()), QString()}, QStringLiteral("cmdDel_Click"));
        m_context.prompter.inform({QString::fromUtf8(e.what()), {}, context::Icon::Critical, false});
        return;
    }
    emit favouriteDeleted(m_name, m_topRow);
    hide();
}

} // namespace tq::favourites::ui
