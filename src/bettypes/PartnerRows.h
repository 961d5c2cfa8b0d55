#pragma once
// The partner statements of a flow run, one per axis horse, opened with
// TBOpr. The statement text is that of funSqlCreateUmaRace; it is built once
// per run with markers for the race key and the horse number, which each
// statement replaces (the partner condition, a favourite's text or the
// document's conditions, does not change during a run). The columns are
// resolved from the first statement: every one has the same columns.
// Internal to the bet-type analysis.

#include "analysis/Statistics.h"
#include "bettypes/BetTypeQuery.h"
#include "bettypes/HorseRows.h"

#include <memory>
#include <optional>

namespace tq::context {
class AppContext;
}
namespace tq::store {
class Recordset;
}

namespace tq::bettypes {

class PartnerRows final {
  public:
    PartnerRows(context::AppContext& ctx, const BetQuerySource& source, int kind);

    // The partners of horse `horseNo` in `raceKey`. Throws std::runtime_error
    // when the statement cannot be built or run (already reported).
    std::unique_ptr<store::Recordset> open(const QString& raceKey, const QString& horseNo);

    // Valid once a statement was opened.
    const HorseColumns& columns() const { return *m_columns; }
    const analysis::AnalysisColumns& listColumns() const { return *m_listColumns; }

    // Statements opened so far.
    qint64 opened() const { return m_opened; }

  private:
    context::AppContext& m_ctx;
    QString m_template; // empty until the first open()
    std::optional<HorseColumns> m_columns;
    std::optional<analysis::AnalysisColumns> m_listColumns;
    qint64 m_opened = 0;
};

} // namespace tq::bettypes
