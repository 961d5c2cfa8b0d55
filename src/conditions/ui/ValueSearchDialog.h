#pragma once
// frmSrch: the value search dialog. Shows the rows of a catalogue-defined
// source (a table name or a SELECT statement) of the application database,
// lets the user mark entries and hands back their names (column 1) and
// codes (column 2) joined with "+", in the grid's current order.
//
// The dialog knows nothing of conditions; the condition editor opens it
// through searchValues() below.

#include "conditions/ValueSearchList.h"

#include <QString>

#include <optional>

class QWidget;

namespace tq::context {
class AppContext;
}

namespace tq::conditions::ui {

// Opens the dialog modally over `source` read from the context's application
// database, captioned `itemName` + "検索", its top level with `anchor`'s
// window top and centred on `anchor` horizontally. Returns the marked names
// and codes when the user accepted (ＯＫ or a double click), std::nullopt when
// cancelled. A source the database cannot read shows an empty list.
std::optional<SearchChoice> searchValues(context::AppContext& context, const QString& itemName, const QString& source,
                                         const QString& startingNames, QWidget* anchor);

} // namespace tq::conditions::ui
