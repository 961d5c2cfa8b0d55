#pragma once
// What the race-data files look like once converted: their names, and the
// indexes each known table gets (a unique "<table>_PK" on its key, plus the
// lookup indexes the analyses use). Rows are stored in the order of the key.

#include <QList>
#include <QString>
#include <QStringList>

namespace tq::jetimport {

struct IndexDef {
    QString name;
    QStringList columns;
    bool unique = false;
};

// korven_this.mdb, korven_data.mdb, korven_code.mdb, korven_keto.mdb, VUDevuzI.mdb.
QStringList raceDataFileNames();

// The indexes of a race-data table; empty for a table the layout does not know.
// The first, when unique, is the key that orders the rows.
QList<IndexDef> raceDataIndexes(const QString& table);

// The page size of the converted files.
inline constexpr int kRaceDataPageSize = 16384;

} // namespace tq::jetimport
