#include "shell/ui/ToolBar.h"

#include <QAction>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include <iterator>

namespace tq::shell::ui {

namespace {

struct Button {
    ToolButtonEntry entry;
    QStyle::StandardPixmap icon;
};

const Button kButtons[] = {
    {{"tlbTanNew", "単複の分析を新規に行います", "mnuNew"}, QStyle::SP_FileIcon},
    {{"tlbUmaNew", "馬連の分析を新規に行います", "mnuUmaren"}, QStyle::SP_FileLinkIcon},
    {{"tblFavoOpen", "保存済のお気に入りを開きます", "mnuFavoOpen"}, QStyle::SP_DirOpenIcon},
    {{"tblFavoAdd", "お気に入りに追加します", "mnuFavoAdd"}, QStyle::SP_DialogSaveButton},
    {{"tblFavoMnt", "お気に入りの整理を行います", "mnuFavoMnt_2"}, QStyle::SP_FileDialogDetailedView},
    {{"tlbAnalyzeExecute", "現在の条件で分析を実行します", "mnuAnalyzeExecute"}, QStyle::SP_MediaPlay},
    {{"tlbREDivorExecute", "分析結果のグラフを表示します", "mnuREDivor"}, QStyle::SP_FileDialogInfoView},
    {{"tlbFavorites", "本日のお気に入り一覧を表示", "mnuFavoToday"}, QStyle::SP_FileDialogListView},
    {{"tlbQuit", "このプログラムを終了します", "mnuQuit"}, QStyle::SP_DialogCloseButton},
};

const ToolButtonEntry kFavoMntMenu[] = {
    {"bmnuFavoMnt_1", "お気に入りの整理（旧）", "mnuFavoMnt_1"},
    {"bmnuFavoMnt_2", "お気に入りの整理（新）", "mnuFavoMnt_2"},
    {"bmnuFavoSaiKeisan", "お気に入りの一括再計算", "mnu_FavoSaiKeisan"},
};

// Keeps `mirror` enabled exactly when `command` is, and shows the command's
// explanation (for example why it is not available) after the mirror's own
// text.
void follow(QAction* mirror, QAction* command, const QString& ownTip)
{
    auto sync = [mirror, command, ownTip] {
        mirror->setEnabled(command->isEnabled());
        const QString why = command->isEnabled() ? QString() : command->toolTip();
        mirror->setToolTip(why.isEmpty() || why == command->text() ? ownTip : ownTip + QStringLiteral("\n") + why);
    };
    QObject::connect(command, &QAction::changed, mirror, sync);
    sync();
}

} // namespace

BuiltToolBar buildMainToolBar(QWidget* owner, const QHash<QString, QAction*>& menuActions,
                              const std::function<void(QAction* command)>& runDropDown)
{
    BuiltToolBar out;
    out.toolBar = new QToolBar(QStringLiteral("tlbMain"), owner);
    out.toolBar->setObjectName(QStringLiteral("tlbMain"));
    out.toolBar->setMovable(false);
    QStyle* style = owner->style();

    for (const Button& b : kButtons) {
        const QString key = QString::fromLatin1(b.entry.key);
        const QString tip = QString::fromUtf8(b.entry.tooltip);
        QAction* command = menuActions.value(QString::fromLatin1(b.entry.command));
        auto* button = new QAction(style->standardIcon(b.icon), tip, out.toolBar);
        button->setObjectName(key);
        if (command) {
            QObject::connect(button, &QAction::triggered, command, &QAction::trigger);
            follow(button, command, tip);
        }
        out.toolBar->addAction(button);
        out.buttons.insert(key, button);

        if (key == QStringLiteral("tblFavoMnt")) {
            auto* menu = new QMenu(owner);
            menu->setObjectName(QStringLiteral("tblFavoMnt_ButtonMenus"));
            menu->setToolTipsVisible(true);
            for (const ToolButtonEntry& m : kFavoMntMenu) {
                const QString text = QString::fromUtf8(m.tooltip);
                QAction* target = menuActions.value(QString::fromLatin1(m.command));
                QAction* item = menu->addAction(text);
                item->setObjectName(QString::fromLatin1(m.key));
                if (target) {
                    QObject::connect(item, &QAction::triggered, item, [runDropDown, target] { runDropDown(target); });
                    follow(item, target, text);
                }
                out.buttons.insert(item->objectName(), item);
            }
            if (auto* tool = qobject_cast<QToolButton*>(out.toolBar->widgetForAction(button))) {
                tool->setMenu(menu);
                tool->setPopupMode(QToolButton::MenuButtonPopup);
            }
        }
    }
    return out;
}

} // namespace tq::shell::ui
