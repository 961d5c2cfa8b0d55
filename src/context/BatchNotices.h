#pragma once
// Notices about the data that every item of a batch would repeat (a run's
// "…のデータが不完全…" for each favourite of a recalculation): while a batch
// runs, the first notice is told through the prompter and the batch goes on;
// later ones are only counted, by item, so the batch can say at its end how
// many items they concerned. Without a batch a notice is told at once.

#include "context/Prompter.h"

namespace tq::context {

class BatchNotices final {
  public:
    // The batch moves on to its next item.
    void nextItem() { ++m_item; }
    // Tells `message` unless a notice was told earlier in the batch, and
    // counts the current item as concerned.
    void tell(Prompter& prompter, const Message& message);
    // The items that had at least one notice.
    int itemsConcerned() const { return m_concerned; }

  private:
    int m_item = 0;
    int m_lastConcerned = -1;
    int m_concerned = 0;
    bool m_told = false;
};

// Tells a notice about the data: through the batch's notices when a batch
// runs (`notices` not null), else through the prompter.
void tellDataNotice(BatchNotices* notices, Prompter& prompter, const Message& message);

} // namespace tq::context
