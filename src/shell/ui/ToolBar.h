#pragma once
// The main window's toolbar tlbMain. Each button carries its key as object
// name and triggers the menu entry of the same command, and follows that
// entry's enabled state. The button "tblFavoMnt" has a drop-down of three
// entries (keys bmnuFavoMnt_1, bmnuFavoMnt_2, bmnuFavoSaiKeisan).

#include <QHash>
#include <QString>
#include <functional>

class QAction;
class QToolBar;
class QWidget;

namespace tq::shell::ui {

struct ToolButtonEntry {
    const char* key;
    const char* tooltip;
    const char* command; // control name of the menu entry it runs
};

struct BuiltToolBar {
    QToolBar* toolBar = nullptr;
    QHash<QString, QAction*> buttons; // buttons and drop-down entries by key
};

// `menuActions`: the menu entries by control name. `runDropDown` runs a
// drop-down entry's command; the main window wraps it to report failures
// under "tlbMain_ButtonMenuClick".
BuiltToolBar buildMainToolBar(QWidget* owner, const QHash<QString, QAction*>& menuActions,
                              const std::function<void(QAction* command)>& runDropDown);

} // namespace tq::shell::ui
