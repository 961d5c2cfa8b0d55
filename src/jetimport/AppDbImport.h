#pragma once
// Import of an application database of an earlier installation (a Jet file):
// the favourites (お気に入り, お気に入り直前なし), the aggregate favourites
// (集計お気に入り and the table named after each), the list settings
// (一覧表示設定), the column widths (分析結果表示設定) and the colour thresholds
// (色設定) are copied into the open application database.
//
// The old tables are first converted into a temporary SQLite file and brought
// up to date there by the start-up's schema upgrade (subDB_Set), so rows of an
// older version arrive with the columns and defaults an upgraded database has.
// Then, table by table, a name (名称, 設定名, 項目名; the single row of 色設定)
// that only the old database has is added; one that both have with different
// rows is reported and keeps the target's rows, or takes the old ones with
// `replace`. All changes to the target are one transaction.

#include <QString>
#include <QStringList>

namespace tq::context {
class AppContext;
}

namespace tq::jetimport {

class TableSource;

struct AppImportReport {
    QStringList lines;       // one per table and per name kept or replaced, for the user
    qint64 added = 0;        // names added
    qint64 replaced = 0;     // names replaced (only with replace)
    qint64 kept = 0;         // names on both sides where the target was kept
    qint64 unconverted = 0;  // values of the old file that could not be converted exactly
    QString error;           // set when nothing was imported
};

// Imports `jetFile` into ctx.appDb, which must be open and upgraded (after
// start-up or prepareHeadless). The source is opened read-only. Never throws.
AppImportReport importAppDatabase(context::AppContext& ctx, const QString& jetFile, bool replace);

// The same from any table source (the tests feed a SQLite file shaped like an
// old database, since no Jet writer is at hand).
AppImportReport importAppDatabase(context::AppContext& ctx, TableSource& source, bool replace);

// As above for the command line: prepares the application database of the
// program directory `appDir` (as the prepare command does) and imports into it.
AppImportReport importAppDatabase(const QString& appDir, const QString& jetFile, bool replace);

} // namespace tq::jetimport
