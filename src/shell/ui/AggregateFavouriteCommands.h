#pragma once
// The aggregate favourites as the main window offers them (debug-mode entries
// of the favourites menu): 集計お気に入り作成 from the active document,
// 集計お気に入りを開く into a new document on its result tab, and
// 本日の集計お気に入り作成 for every aggregate favourite, each with the busy
// window.

namespace tq::context {
class AppContext;
}

namespace tq::shell::ui {

class MainWindow;

// Routes mnuSyukeiFavoAdd, mnuSyukeiFavoOpen and mnuSyukeiFavorite of `window`.
void installAggregateFavouriteCommands(context::AppContext& ctx, MainWindow& window);

} // namespace tq::shell::ui
