#include "favourites/WriteGroup.h"

namespace tq::favourites {

void WriteGroup::open()
{
    if (m_transaction)
        return;
    m_transaction.emplace(m_db);
    m_since.start();
}

void WriteGroup::commitWhenDue()
{
    if (m_transaction && m_since.elapsed() >= kIntervalMs)
        commit();
}

void WriteGroup::commit()
{
    if (!m_transaction)
        return;
    // The transaction is over once commit() returns or throws.
    struct Reset {
        std::optional<store::Transaction>& transaction;
        ~Reset() { transaction.reset(); }
    } reset{m_transaction};
    m_transaction->commit();
}

} // namespace tq::favourites
