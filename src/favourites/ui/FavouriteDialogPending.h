#pragma once
// The state of the favourites dialog's tree while it is being built in
// slices (FavouriteDialogTree.cpp), shared with the dialog's construction.

#include "favourites/FavouriteStore.h"
#include "favourites/ui/FavouriteDialog.h"

#include <QString>
#include <QStringList>

#include <optional>

class QTreeWidgetItem;

namespace tq::favourites::ui {

// What the tree building still has to add: the rows still to read, the
// group node being filled.
struct FavouriteDialog::Pending {
    std::optional<FavouriteEntryCursor> grouped;
    std::optional<FavouriteEntryCursor> topLevel;
    QStringList groupsOnly; // the add mode's groups
    qsizetype nextGroup = 0;
    QTreeWidgetItem* group = nullptr;
    QString groupName;
    bool anyGroup = false;
    int inGroup = 0; // m: favourites added to the current group
    QTreeWidgetItem* selected = nullptr;
};

} // namespace tq::favourites::ui
