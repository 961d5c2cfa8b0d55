#pragma once
// Registering an analysis document as a favourite (subFavoAdd and the checks
// of the menu command before it) and opening stored favourites into new
// documents (subFavoOpen).
//
// Errors inside are caught here: reported to the error log under the
// operation's name, shown through the prompter, and returned as a value.

#include "analysis/ConditionFile.h"
#include "favourites/FavoChoice.h"
#include "favourites/Favourite.h"

#include <QString>

#include <functional>

namespace tq::context {
class AppContext;
}
namespace tq::analysis {
class AnalysisDocument;
}

namespace tq::favourites {

// The checks of お気に入りに追加 before the dialog, in order: a win-type
// document only (others: false, nothing shown); the condition walk (a masked
// row shows the masked warning and ends the walk; a current-race 年月 or
// 開催日 range whose end is not in year 9999 is offered to end in 9999); then
// a never-analysed document asks whether to go on, and a grouped result is
// refused with its message. After the walk, conditions on values known only
// after the race (conditions::lookAheadConditions) are named in a warning
// the user may answer Yes to go on. True when registration may go on.
bool checkBeforeRegistration(context::AppContext& context, analysis::AnalysisDocument& document);

// The look-ahead question of registration: when `names` (look-ahead items or
// key texts) is not empty, asks through the prompter whether to register
// anyway. True when there was nothing to ask or the answer was Yes. The
// aggregate favourite's registration asks it with conditions::lookAheadKeys.
bool confirmLookAhead(context::AppContext& context, const QStringList& names);

// The statistics of an ungrouped result table, read by column position as
// the cells show them with one decimal place (the condition text's result
// lines carry the same): counts as integers, the rest as decimals, an empty
// cell as 0. Columns the
// table does not have stay without value (an overwritten favourite keeps
// them). Nothing for a table of fewer than two columns (never analysed).
std::array<std::optional<double>, kStatisticCount> resultStatistics(const analysis::AnalysisDocument& document);

// Builds the favourite `choice` asks for from the document: name, group,
// 表示, colour, condition text (the masked warning is shown when rows are
// masked), ＷＨＥＲＥ文 with today's table names, statistics, comment, author
// and the registration time `now`. Throws on a condition that cannot be
// written or a WHERE text that cannot be built (a favourite without it would
// match every runner).
Favourite favouriteFromDocument(context::AppContext& context, const analysis::AnalysisDocument& document,
                                const FavoChoice& choice, const QDateTime& now);

enum class Registration {
    Stored,   // written; the document is captioned with the name and unmodified
    Declined, // the overwrite question was answered No; nothing written
    Failed,   // reported ("subFavoAdd") and shown; nothing written
};

// subFavoAdd: registers the document under choice.name, asking
// "既に登録されています。上書きしますか？" (captioned with the name, so an import
// of many says which one) before overwriting a favourite of that name. `now`
// supplies the registration time (tests); empty: the clock.
Registration subFavoAdd(context::AppContext& context, analysis::AnalysisDocument& document, const FavoChoice& choice,
                        const std::function<QDateTime()>& now = {});

// Loads a stored favourite into a document: its conditions and stored result
// from the condition text (a Null comment or author becomes a single blank,
// which replaces the file's), the caption its name, unmodified. Returns what
// the condition reader says (result 1: a line was skipped).
analysis::ConditionLoadResult loadFavourite(context::AppContext& context, const Favourite& favourite, analysis::AnalysisDocument& document);

// subFavoOpen: the favourite choice.name, or every favourite of choice.group
// when the name is allGroupName(), each into the document `newDocument`
// returns (LoadNewDoc); `opened` is told after each load. Returns how many
// were opened; a failure to read the table is reported ("subFavoOpen").
int subFavoOpen(context::AppContext& context, const FavoChoice& choice,
                const std::function<analysis::AnalysisDocument*()>& newDocument,
                const std::function<void(analysis::AnalysisDocument&)>& opened = {});

} // namespace tq::favourites
