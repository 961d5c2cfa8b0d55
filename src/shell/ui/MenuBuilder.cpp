#include "shell/ui/MenuBuilder.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <iterator>

namespace tq::shell::ui {

namespace {

// The menu bar, in order. Indentation is given by `level`.
const MenuEntry kMenuBar[] = {
    {0, "mnuFile", "ファイル(&F)"},
    {1, "mnuNew", "新規作成（単複分析）"},
    {1, "mnuUmaren", "新規作成（馬連分析）"},
    {1, "mnuSep0", "-"},
    {1, "mnuOpen", "ファイルから開く"},
    {1, "mnuSave", "ファイルに上書き保存"},
    {1, "mnuSaveAs", "ファイルに名前を付けて保存"},
    {1, "mnuViewOpen", "ファイルからビュワーで表示"},
    {1, "mnuSepa01", "-"},
    {1, "mnuInport", "お気に入りのインポート"},
    {1, "mnuExport", "お気に入りのエクスポート"},
    {1, "mnuSepa02", "-"},
    {1, "mnuQuit", "終了(&Q)"},
    {0, "mnuHensyu", "編集"},
    {1, "mnuCopyTextFull", "分析結果をテキストでコピー（フル）"},
    {1, "mnuCopyTextShort", "分析結果をテキストでコピー（短縮）"},
    {0, "mnuAnalyze", "分析"},
    {1, "mnuAnalyzeExecute", "分析実行"},
    {1, "mnuREDivor", "グラフアドイン"},
    {1, "mnuAnalyzeNoList", "馬一覧を作成しない"},
    {0, "mnuTools", "ツール(&T)"},
    {1, "mnuDB_Init", "最適化を行う"},
    {1, "mnu_ChokuHen", "直前なしモード一括変換"},
    {1, "mnuImportJet", "Jetデータベースの取り込み"},
    {1, "mnuSep2", "-"},
    {1, "mnuOption", "オプション(&O)"},
    {2, "mnuBaseSet", "基本設定"},
    {2, "mnuOptIchiran", "一覧表示設定"},
    {2, "mnuOptIro", "分析結果色設定"},
    {0, "mnuView", "表示(&V)"},
    {1, "mnuSep3", "-"},
    {1, "mnuDefault", "標準の大きさ･位置に戻す(&D)"},
    {0, "mnuFavorite", "お気に入り"},
    {1, "mnuFavoToday", "本日のお気に入り"},
    {1, "mnuSep5", "-"},
    {1, "mnuFavoAdd", "お気に入りに追加"},
    {1, "mnuFavoOpen", "お気に入りを開く"},
    {1, "mnuFavoMnt", "お気に入りの整理"},
    {2, "mnuFavoMnt_1", "お気に入りのグループ移動と表示切替"},
    {2, "mnuFavoMnt_2", "お気に入りのダイレクト編集"},
    {1, "mnu_Sep6", "-"},
    {1, "mnu_FavoSaiKeisan", "お気に入り一括再計算"},
    {1, "mnu_Sep8", "-"},
    {1, "mnuSyukeiFavoAdd", "集計お気に入り作成", true},
    {1, "mnuSyukeiFavoOpen", "集計お気に入りを開く", true},
    {1, "mnuSyukeiFavorite", "本日の集計お気に入り作成", true},
    {1, "mnuMarkSeiseki", "本日の印別成績作成"},
    {1, "mnuMarkSeisekiOld", "過去の印別成績作成"},
    {0, "mnuWindow", "ｳｨﾝﾄﾞｳ(&W)"},
    {1, "mnuWindowNewWindow", "新しいｳｨﾝﾄﾞｳを開く(&N)"},
    {1, "mnu_Sep7", "-"},
    {1, "mnuWindowCascade", "重ねて表示(&C)"},
    {1, "mnuWindowTileHorizontal", "上下に並べて表示(&H)"},
    {1, "mnuWindowTileVertical", "左右に並べて表示(&V)"},
    {1, "mnuWindowArrangeIcons", "ｱｲｺﾝの整列(&A)"},
    {0, "mnuHelp", "ヘルプ(&H)"},
    {1, "mnuVIZIvev", "TQAヘルプの表示"},
    {1, "mnuTQAkatu", "TQA活用講座HPを見る"},
    {1, "mnuTopic", "トピックの検索(&S)", true},
    {1, "mnuSep4", "-"},
    {1, "mnuVersion", "バージョン情報(&V)"},
};

// The pop-up menus the analysis window shows; never on the menu bar.
const MenuEntry kPopups[] = {
    {0, "mnuHenshu", "編集"},
    {1, "mnuCopy", "コピー"},
    {0, "mnuJouken", "条件用"},
    {1, "mnuJdel", "削除"},
};

bool hasChildren(const MenuEntry* entries, std::size_t count, std::size_t i)
{
    return i + 1 < count && entries[i + 1].level > entries[i].level;
}

// Builds entries[first..] below `parents[level-1]`; parents[0] is the top menu.
void buildTable(const MenuEntry* entries, std::size_t count, QMenuBar* bar, QWidget* owner, BuiltMenus& out,
                QList<QMenu*>* topMenus)
{
    QMenu* parents[3] = {nullptr, nullptr, nullptr};
    for (std::size_t i = 0; i < count; ++i) {
        const MenuEntry& e = entries[i];
        const QString name = QString::fromLatin1(e.name);
        const QString caption = QString::fromUtf8(e.caption);
        QAction* action = nullptr;
        if (e.level == 0 || hasChildren(entries, count, i)) {
            QMenu* menu = e.level == 0 ? (bar ? bar->addMenu(caption) : new QMenu(caption, owner))
                                       : parents[e.level - 1]->addMenu(caption);
            menu->setObjectName(name);
            menu->setToolTipsVisible(true);
            parents[e.level] = menu;
            out.menus.insert(name, menu);
            if (topMenus && e.level == 0)
                topMenus->append(menu);
            action = menu->menuAction();
        } else if (caption == QStringLiteral("-")) {
            action = parents[e.level - 1]->addSeparator();
        } else {
            action = parents[e.level - 1]->addAction(caption);
        }
        action->setObjectName(name);
        if (e.hidden)
            action->setVisible(false);
        out.actions.insert(name, action);
    }
}

} // namespace

QStringList debugOnlyEntries()
{
    return {QStringLiteral("mnu_ChokuHen"),      QStringLiteral("mnuSyukeiFavoAdd"),
            QStringLiteral("mnuSyukeiFavoOpen"), QStringLiteral("mnuSyukeiFavorite"),
            QStringLiteral("mnuMarkSeiseki"),    QStringLiteral("mnuMarkSeisekiOld")};
}

BuiltMenus buildMainMenus(QMenuBar* bar, QWidget* owner)
{
    BuiltMenus out;
    buildTable(kMenuBar, std::size(kMenuBar), bar, owner, out, nullptr);
    QList<QMenu*> popups;
    buildTable(kPopups, std::size(kPopups), nullptr, owner, out, &popups);
    out.editPopup = popups.value(0);
    out.conditionPopup = popups.value(1);
    out.windowMenu = out.menus.value(QStringLiteral("mnuWindow"));
    return out;
}

} // namespace tq::shell::ui
