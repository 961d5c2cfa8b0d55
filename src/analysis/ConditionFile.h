#pragma once
// The analysis condition file (.tqb): a document's analysis kind, conditions,
// summary labels, aggregation keys, last result table, comment, favourite
// filter and author as CP932 lines ending in CR LF. The same lines, kept in
// memory, are a favourite's condition text and a favourite's entry in an
// exchange file.
//
// Lines, in writing order (the tag, then ","-separated fields):
//   MODE,<Str of kind>,<axis favourite>,<axis whole-group 0/1>
//   J<letter><nnn>,<value>   one per unmasked condition row (letter: none for
//                            the current run, A-E previous runs, H-L
//                            comparisons), JKAK,<SQL> for an extended row
//   K000 summary labels, K002 key texts, K003 headings, K008 widths,
//   K004 one per result row, K005 comment, K006 favourite filter,
//   K007 author, K009 splitter position (viewer only, read but not written).
// The value of a condition line and the SQL of JKAK run to the end of the
// line; every other field ends at the next ",". In the K000, K002, K003 and
// K008 lists, empty texts before the first non-empty one leave no field.
//
// Keeping the file readable: a line break inside any text would start a new
// line that the reader takes for another tag (a comment line "J001,1" would
// become a condition), so the writer turns CR and LF inside texts into
// blanks. A "," inside a single list field (a lookup label joined with ",")
// would shift every later cell of its row, so the writer puts "，" for it.
// K004 rows keep an empty field for every empty cell, leading ones too, so a
// row whose first label is empty reloads with its statistics in place. The
// comment (K005) and the author (K007) are read to the end of their line, so
// a "," in them survives.
//
// One thread; the reader never throws.

#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>

namespace tq::common {
class Cp932LineWriter;
}
namespace tq::conditions {
struct ConditionCatalogue;
}
namespace tq::context {
class AppContext;
}

namespace tq::analysis {

class AnalysisDocument;

// The warning shown before saving a document that has masked rows.
QString maskedRowsWarning();

// Thrown by the writer for a condition row whose item name is not in the
// catalogue: leaving it out would silently store fewer conditions.
class ConditionFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The lines of a document's condition file, without line ends.
// Throws ConditionFileError (unknown item name).
QStringList conditionFileLines(const conditions::ConditionCatalogue& catalogue, const AnalysisDocument& document);

// subJoukenSave, output kind 0: writes the file at `path` (created or
// replaced as one step: a failed save leaves the previous file as it was) and
// clears the document's modified flag. With `warnMasked` and at least one
// masked row, the masked-rows warning is shown once first. Throws
// common::TextFileError (cannot write, character not in CP932) or
// ConditionFileError; the flag then stays set.
void saveConditionFile(context::AppContext& context, AnalysisDocument& document, const QString& path,
                       bool warnMasked = false);

// Output kind 1: the lines, each followed by CR LF. Throws ConditionFileError.
QString conditionText(context::AppContext& context, const AnalysisDocument& document, bool warnMasked = false);

// Output kind 2: the lines written to an exchange file the caller holds open.
// Throws ConditionFileError or common::TextFileError.
void writeConditionLines(context::AppContext& context, const AnalysisDocument& document, common::Cp932LineWriter& out,
                         bool warnMasked = false);

enum class ConditionInput {
    File = 0,           // the source is a file path
    Text = 1,           // a condition text; a last line without CR is not read
    TextNoPreRace = 2,  // as Text, dropping 直前情報 rows on the current run or a comparison
    ConditionsOnly = 3, // as Text, stopping at the first line that is not MODE, JKAK or a condition
};

struct ConditionLoadOptions {
    ConditionInput input = ConditionInput::File;
    QString commentOverride; // replaces the comment read, when not empty
    QString userOverride;    // replaces the author read, when not empty
    // The document is shown in the viewer window: result decimals show no
    // places, and K009 gives the splitter position.
    bool viewer = false;
};

struct ConditionLoadResult {
    // 1 when a condition line was dropped or skipped, or the source could not
    // be read; otherwise 0.
    int result = 0;
    std::optional<double> splitterTwips; // K009, viewer only
};

// funJoukenLoad: resets the document's condition rows and analysis kind, then
// applies the lines of `source`. Errors (an unreadable file, an item number
// not in the catalogue, a bad field) are written to the error log under
// "funJoukenLoad" with the source as location, and reading goes on with the
// next line. At the end an empty or single-blank author becomes the
// context's user name.
ConditionLoadResult funJoukenLoad(context::AppContext& context, AnalysisDocument& document, const QString& source,
                                  const ConditionLoadOptions& options = {});

} // namespace tq::analysis
