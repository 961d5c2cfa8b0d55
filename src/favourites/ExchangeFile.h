#pragma once
// The favourites exchange file (.tqa): CP932 text with CR LF line ends, one
// record per favourite:
//   T000,<名称>
//   T001,<グループ名>
//   T002,True | False          (表示)
//   T003,<色>                  signed decimal, a blank before a non-negative
//                              value; a stored Null is written as -2147483643
//   the favourite's condition text (MODE ... K007), as a condition file has it
// A field runs from the sixth character to the end of its line. Statistics,
// ＷＨＥＲＥ文 and 登録日時 are rebuilt on import from the condition text (its
// result table lines carry the statistics as they were shown).
//
// Export writes the whole file through a temporary file that replaces the
// target only when complete: a failed or cancelled export leaves an earlier
// file as it was.
//
// Import reads and checks the whole file before it registers anything, so a
// malformed file (bytes that are not CP932, header lines missing, out of
// order or with a bad value, a condition line the catalogue cannot read, a
// record cut off before its K007 line or a last line without its line end)
// registers nothing and is reported with the line at fault. Each favourite of
// a sound file then goes through subFavoAdd (with its overwrite question).

#include "favourites/Favourite.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace tq::context {
class AppContext;
}

namespace tq::favourites {

// The filter of the export and import file dialogs.
QString exchangeFileFilter();

// The file an export writes for the name the user typed: with ".tqa" added
// when the name has no extension (the import dialog lists *.tqa).
QString exportFilePath(const QString& typed);

// The four header lines of a favourite's record.
QStringList exchangeHeaderLines(const Favourite& favourite);

// One record of an exchange file as read and checked.
struct ExchangeRecord {
    int line = 0; // 1-based line of its T000
    QString name;
    QString group;
    bool show = true;
    qint32 colour = kNoColour;
    QString conditionText; // each line ended by CR LF
};

// Writes the favourites, in order, to `path` with a progress line per
// favourite (the busy service); nothing when cancelled. Returns how many were
// written, or nothing when cancelled (the earlier file stays). Throws
// common::TextFileError (cannot write, a text CP932 cannot hold) or
// analysis::ConditionFileError; the earlier file stays then as well.
std::optional<int> exportFavourites(context::AppContext& context, const std::vector<Favourite>& favourites,
                                    const QString& path);

// Reads and checks an exchange file. Throws common::TextFileError naming the
// line at fault (its detail is the reason in words for the user).
std::vector<ExchangeRecord> readExchangeFile(context::AppContext& context, const QString& path);

struct ImportOptions {
    QString group;  // replaces every record's group when not empty
    QString prefix; // put in front of every name
};

struct ImportSummary {
    int registered = 0;
    int declined = 0; // the overwrite question answered No
    QStringList failed; // names subFavoAdd could not register (reported by it)
};

// Registers the records through subFavoAdd, in order, committing about once a
// second (see WriteGroup); an error keeps the ones registered before it.
ImportSummary importFavourites(context::AppContext& context, const std::vector<ExchangeRecord>& records,
                               const ImportOptions& options);

// The operations behind the menu, after the file dialog: failures are
// reported under "subFavoExport" / "subFavoInport" and shown through the
// prompter; the result is then empty.
std::optional<int> subFavoExport(context::AppContext& context, const QString& filter, const QString& path);
std::optional<ImportSummary> subFavoInport(context::AppContext& context, const QString& path,
                                           const ImportOptions& options);

// The closing message of an import: how many were registered, declined and
// not registered.
QString importSummaryText(const ImportSummary& summary);

} // namespace tq::favourites
