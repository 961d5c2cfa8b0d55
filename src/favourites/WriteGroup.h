#pragma once
// Groups the writes of a batch over many favourites into transactions of
// about a second each. A commit per favourite waits for the disk each time,
// which in a batch of hundreds costs far more than the work itself; one
// transaction for the whole batch would lose everything done on a crash and
// hold the database's write lock for all of it.
//
// open() before each item's writes (it starts a transaction when none is
// open), commitWhenDue() after it; commit() at the end, on a cancel and on an
// error, so what was written before a stop stays written. Without commit()
// the destructor rolls back what the open transaction holds.

#include "store/Database.h"

#include <QElapsedTimer>

#include <optional>

namespace tq::favourites {

class WriteGroup final {
public:
    static constexpr int kIntervalMs = 1000;

    explicit WriteGroup(store::Database& db) : m_db(db) {}

    void open();
    void commitWhenDue();
    // Throws store::DbError when the commit fails (the group is then rolled back).
    void commit();

private:
    store::Database& m_db;
    std::optional<store::Transaction> m_transaction;
    QElapsedTimer m_since;
};

} // namespace tq::favourites
