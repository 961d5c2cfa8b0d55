#pragma once
// The main window's menu bar and its two pop-up menus, built from one table
// of control names and captions. Every menu and every entry carries its
// control name as object name: menus are QMenus whose menuAction() has the
// same name, entries and separators are QActions. The builder creates the
// entries only; the main window connects them.

#include <QHash>
#include <QString>
#include <QStringList>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace tq::shell::ui {

struct MenuEntry {
    int level;           // 0: a menu of the bar, 1: its entry, 2: an entry of a submenu
    const char* name;    // control name
    const char* caption; // exact caption; "-" for a separator
    bool hidden = false; // invisible at design time
};

// Entries shown only when DebugFlag is 1.
QStringList debugOnlyEntries();

struct BuiltMenus {
    QHash<QString, QAction*> actions; // every control by name (menus by their menuAction)
    QHash<QString, QMenu*> menus;     // the menus and submenus by name
    QMenu* editPopup = nullptr;       // mnuHenshu: コピー
    QMenu* conditionPopup = nullptr;  // mnuJouken: 削除
    QMenu* windowMenu = nullptr;      // mnuWindow, which also lists the child windows
};

// Fills `bar` with the menu table; `owner` parents the pop-up menus.
BuiltMenus buildMainMenus(QMenuBar* bar, QWidget* owner);

} // namespace tq::shell::ui
