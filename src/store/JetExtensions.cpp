#include "store/JetExtensions.h"

#include "store/JetFold.h"
#include "store/JetFunctions.h"

#include <sqlite3.h>

namespace tq::store {

namespace {

int compareJet(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return jetCompare(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(lengthA)),
                      std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(lengthB)));
}

} // namespace

void registerJetExtensions(sqlite3* db)
{
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_create_collation_v2(db, "JET", SQLITE_UTF8, nullptr, compareJet, nullptr);
    jetfn::registerLike(db);
    jetfn::registerTextFunctions(db);
    jetfn::registerNumberFunctions(db);
    jetfn::registerDateFunctions(db);
    jetfn::registerFormatFunction(db);
}

} // namespace tq::store
