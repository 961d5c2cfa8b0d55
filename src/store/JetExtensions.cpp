#include "store/JetExtensions.h"

#include <sqlite3.h>

namespace tq::store {

void registerJetExtensions(sqlite3* db)
{
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
}

} // namespace tq::store
