#pragma once
// The favourites as the main window offers them: the menu commands
// お気に入りに追加, お気に入りを開く, お気に入りのグループ移動と表示切替,
// お気に入りのエクスポート (choosing only), お気に入りのダイレクト編集 (the
// organizer), 本日のお気に入り and グラフアドイン, the condition viewer of the
// organizer and of the analysis history, and the
// favourites hooks of analysis windows (registration when a modified
// document closes, the 参照 buttons of the favourite link).

#include <QString>

class QWidget;

namespace tq::analysis::ui {
class AnalysisWindow;
}

namespace tq::favourites {
class ProcessStarter;
}

namespace tq::context {
class AppContext;
}

namespace tq::shell::ui {

class DocumentWindow;
class MainWindow;

// The favourites dialog in the add mode for the window's document, then
// subFavoAdd. True when the favourite was stored; the window's title then
// shows the favourite's name and the document is unmodified.
bool registerFavourite(context::AppContext& ctx, DocumentWindow& window);

// The favourites dialog in the select mode: false when cancelled, else the
// favourite's name, or a group's name with `wholeGroup` set.
bool pickFavourite(context::AppContext& ctx, QWidget* parent, QString& name, bool& wholeGroup);

// The condition viewer of the main window (made on first use) showing the
// conditions of a history row of `source`.
void showHistoryConditions(context::AppContext& ctx, MainWindow& window, analysis::ui::AnalysisWindow& source,
                           const QString& conditionText);

// Routes the favourites and add-in commands of `window` to their operations.
// `starter` starts the add-ins and must outlive the window.
void installFavouriteCommands(context::AppContext& ctx, MainWindow& window, favourites::ProcessStarter& starter);

} // namespace tq::shell::ui
