#pragma once
// CSV files of grids (subExport): the result grid, the default horse list and
// the list by setting are all written through here.
//
// Format: CP932 bytes, every line ended by CR LF. Row 0 is the header row and
// every header text is written as it is, unquoted (a header holding a comma
// therefore splits into two fields, as the files have always been read).
// In data rows an integer or decimal cell is written bare, as the grid shows
// it (a decimal with its places); every other cell, empty cells included, is
// enclosed in double quotes with each double quote inside doubled. All
// columns are written, hidden ones included.
//
// Threading: the caller's thread; Busy::yield() is called once per row.

#include <QString>

namespace tq::common {
class ErrorLog;
}
namespace tq::context {
class Busy;
}

namespace tq::analysis {

class Sheet;

enum class ExportResult {
    Completed, // every row written
    Cancelled, // the busy window's cancel stopped it; the previous file stays
    Failed,    // reported to the log under "subExport"; the previous file stays
};

// One CSV line (without its line end) of the sheet's row `row`; -1 is the
// header row.
QString csvLine(const Sheet& sheet, int row);

// Writes the sheet to `fileName` (created or replaced). Shows the busy window
// with the text fileName & "に出力中です" and hides it again at the end.
// The rows go to a temporary file beside the target, which replaces it only
// when every row is written (common::Cp932LineWriter): a cancel, a text that
// CP932 cannot hold, a file that cannot be written (disk full, a target that
// is not a regular file) or a killed process leave the previous file as it
// was. A failure is reported under "subExport" and the result says Failed.
ExportResult subExport(const QString& fileName, const Sheet& sheet, context::Busy& busy, common::ErrorLog& log);

} // namespace tq::analysis
