// The main window's commands: each menu entry and tool button wired to its
// handler, asked for confirmation where the command asks first, and run with
// its failures reported under the control's name.

#include "shell/ui/MainWindow.h"

#include "context/AppContext.h"
#include "favourites/ProcessStarter.h"
#include "jetimport/ui/JetImportDialog.h"
#include "shell/ui/AboutBox.h"
#include "shell/ui/AggregateFavouriteCommands.h"
#include "shell/ui/BaseSetDialog.h"
#include "shell/ui/ColourDialog.h"
#include "shell/ui/ConditionEditorLink.h"
#include "shell/ui/FavouriteCommands.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QUrl>

#include <exception>

namespace tq::shell::ui {

namespace {

// The settings key of 馬一覧を作成しない.
const QString kNoHorseListKey = QStringLiteral("Analysis/NoHorseList");

// The usage-course web page behind TQA活用講座HPを見る.
const QString kCourseUrl = QStringLiteral("https://www.example.com/tqa/course/");

// Commands that ask before they run; their handler runs on Yes.
QString confirmationOf(const QString& controlName)
{
    if (controlName == QStringLiteral("mnu_ChokuHen"))
        return QStringLiteral("直前なしモードの一括変換を行いますか？");
    if (controlName == QStringLiteral("mnuMarkSeisekiOld"))
        return QStringLiteral("過去の印別成績を全作成します。よろしいですか？");
    return {};
}

// The shown document windows one after another along `direction`, each
// taking an equal share of the workspace: Qt::Vertical puts them one above the
// other, each as wide as the workspace; Qt::Horizontal side by side, each as
// high as it.
void tile(QMdiArea& mdi, Qt::Orientation direction)
{
    QList<QMdiSubWindow*> shown;
    for (QMdiSubWindow* sub : mdi.subWindowList())
        if (!sub->isMinimized() && !sub->isHidden())
            shown << sub;
    const QRect area = mdi.viewport()->rect();
    const bool stacked = direction == Qt::Vertical;
    const int length = stacked ? area.height() : area.width();
    for (int i = 0; i < shown.size(); ++i) {
        const int start = length * i / int(shown.size());
        const int end = length * (i + 1) / int(shown.size());
        shown[i]->showNormal();
        if (stacked)
            shown[i]->setGeometry(0, start, area.width(), end - start);
        else
            shown[i]->setGeometry(start, 0, end - start, area.height());
    }
}

} // namespace

void MainWindow::on(const QString& controlName, std::function<void()> handler)
{
    m_handlers.insert(controlName, std::move(handler));
    QAction* action = m_actions.value(controlName);
    if (!action)
        return;
    connect(action, &QAction::triggered, this, [this, controlName] {
        const auto handler = m_handlers.value(controlName);
        if (!handler)
            return;
        runReported(controlName + QStringLiteral("_Click"), [this, controlName, handler] {
            const QString question = confirmationOf(controlName);
            if (!question.isEmpty() &&
                m_ctx.prompter.ask(context::Message{question, {}, context::Icon::Question, false}) != context::Answer::Yes)
                return;
            handler();
        });
    });
}

void MainWindow::connectCommands()
{
    // 馬一覧を作成しない: a choice of the user's, remembered with the window's settings.
    if (QAction* noList = m_actions.value(QStringLiteral("mnuAnalyzeNoList"))) {
        noList->setCheckable(true);
        connect(noList, &QAction::toggled, this, [this](bool on) {
            m_ctx.buildHorseList = !on;
            openSettings()->setValue(kNoHorseListKey, on);
        });
    }
    on(QStringLiteral("mnuNew"), [this] { LoadNewDoc(); });
    on(QStringLiteral("mnuUmaren"), [this] { newBetTypeDocument(); });
    on(QStringLiteral("mnuOpen"), [this] { openFile(); });
    on(QStringLiteral("mnuSave"), [this] { saveFile(); });
    on(QStringLiteral("mnuSaveAs"), [this] { saveFileAs(); });
    on(QStringLiteral("mnuViewOpen"), [this] { viewOpen(); });
    on(QStringLiteral("mnuQuit"), [this] { close(); });
    on(QStringLiteral("mnuAnalyzeExecute"), [this] { runAnalysis(); });
    on(QStringLiteral("mnuDB_Init"), [this] { prepareDatabase(); });
    on(QStringLiteral("mnuMarkSeiseki"), [this] { buildMarkTable(true); });
    on(QStringLiteral("mnuMarkSeisekiOld"), [this] { buildMarkTable(false); });
    on(QStringLiteral("mnuImportJet"), [this] { jetimport::ui::JetImportDialog(m_ctx, this).exec(); });
    on(QStringLiteral("mnuBaseSet"), [this] {
        BaseSetDialog dialog(m_ctx, this);
        dialog.exec();
    });
    on(QStringLiteral("mnuOptIro"), [this] {
        ColourDialog dialog(m_ctx, this);
        dialog.exec();
    });
    on(QStringLiteral("mnuVersion"), [this] {
        AboutBox box(m_ctx, [this](const QUrl& url) { openUrl(url); }, this);
        box.setDescription(AboutBox::standardDescription());
        box.exec();
    });
    on(QStringLiteral("mnuDefault"), [this] { restoreStandardGeometry(); });
    auto* editorLink = new ConditionEditorLink(m_ctx, *this);
    on(QStringLiteral("mnuOptIchiran"), [editorLink] { editorLink->openListSettings(); });
    on(QStringLiteral("mnuWindowNewWindow"), [this] { LoadNewDoc(); });
    on(QStringLiteral("mnuWindowCascade"), [this] { m_mdi->cascadeSubWindows(); });
    on(QStringLiteral("mnuWindowTileHorizontal"), [this] { tile(*m_mdi, Qt::Vertical); });
    on(QStringLiteral("mnuWindowTileVertical"), [this] { tile(*m_mdi, Qt::Horizontal); });
    on(QStringLiteral("mnuWindowArrangeIcons"), [this] {
        // The minimised windows in a row along the bottom of the workspace.
        const QRect area = m_mdi->viewport()->rect();
        int x = 0;
        int y = area.height();
        for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
            if (!sub->isMinimized())
                continue;
            const QSize size = sub->size();
            if (x > 0 && x + size.width() > area.width()) {
                x = 0;
                y -= size.height();
            }
            sub->move(x, y - size.height());
            x += size.width();
        }
    });
    on(QStringLiteral("mnuVIZIvev"), [this] {
        const QString dir =
            m_options.helpDir.isEmpty() ? QCoreApplication::applicationDirPath() : m_options.helpDir;
        openUrl(QUrl::fromLocalFile(QDir(dir).filePath(QStringLiteral("VIZIVEV.CHM"))));
    });
    on(QStringLiteral("mnuTQAkatu"), [this] { openUrl(QUrl(kCourseUrl)); });
    on(QStringLiteral("mnuCopy"), [this] {
        if (DocumentWindow* doc = activeDocument())
            doc->copySelection();
    });
    on(QStringLiteral("mnuJdel"), [this] {
        if (DocumentWindow* doc = activeDocument())
            doc->deleteConditionRow();
    });
    if (!m_options.processStarter)
        m_options.processStarter = std::make_shared<favourites::SystemProcessStarter>();
    installFavouriteCommands(m_ctx, *this, *m_options.processStarter);
    installAggregateFavouriteCommands(m_ctx, *this);
}

void MainWindow::setCommandHandler(const QString& controlName, std::function<void()> handler)
{
    QAction* action = m_actions.value(controlName);
    if (!action)
        return;
    const bool connected = m_handlers.contains(controlName);
    if (connected)
        m_handlers.insert(controlName, std::move(handler));
    else
        on(controlName, std::move(handler));
    action->setEnabled(true);
    action->setToolTip(QString());
    action->setStatusTip(QString());
}

void MainWindow::runReported(const QString& procedure, const std::function<void()>& body)
{
    try {
        body();
    } catch (const std::exception& e) {
        m_ctx.errorLog.report({0, QString::fromUtf8(e.what()), {}}, procedure);
    } catch (...) {
        m_ctx.errorLog.report({0, QStringLiteral("不明なエラー"), {}}, procedure);
    }
}

void MainWindow::applyHorseListOption(QSettings& settings)
{
    const bool noHorseList = settings.value(kNoHorseListKey, false).toBool();
    m_ctx.buildHorseList = !noHorseList;
    if (QAction* noList = m_actions.value(QStringLiteral("mnuAnalyzeNoList")))
        noList->setChecked(noHorseList);
}

} // namespace tq::shell::ui
