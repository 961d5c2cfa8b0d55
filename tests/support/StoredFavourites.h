#pragma once
// Every stored column of a group's favourites, to compare two recalculations
// of the same favourites: each value with its storage class and a real with
// all its digits, so that equal texts mean equal bits. A snapshot can be put
// back, so that both recalculations start from the same store.

#include <QString>
#include <QStringList>

#include <vector>

namespace tq::store {
class Database;
}

namespace tq::support {

// One favourite: "column=value" per column, in the table's column order.
using StoredFavourite = QStringList;

// The group's favourites in name order.
std::vector<StoredFavourite> storedFavourites(store::Database& db, const QString& group);

// Replaces the group's favourites with `rows` (a snapshot of that group).
void restoreFavourites(store::Database& db, const QString& group, const std::vector<StoredFavourite>& rows);

// The names of the favourites whose stored columns differ between two
// snapshots of the same favourites (or all of them, when the counts differ).
QStringList differingFavourites(const std::vector<StoredFavourite>& a, const std::vector<StoredFavourite>& b);

} // namespace tq::support
