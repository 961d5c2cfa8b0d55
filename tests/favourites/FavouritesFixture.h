#pragma once
// A small application database for the favourites tests: the hand-built race
// tables of tests/support with two races, the table お気に入り with every
// column the schema upgrade gives it, and the add-in registry.

#include "analysis/AnalysisDocument.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "store/Database.h"
#include "support/FavouriteTables.h"
#include "support/RaceTables.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <ostream>

static inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace tq::favourites {

inline QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

class FavouritesTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        support::addDistanceItem(ctx.catalogue);
        ctx.catalogue.appDir = dir.path();
        ctx.appDb = store::Database::create(dir.filePath(s("app.mdb")));
        support::createRaceTables(*ctx.appDb);
        support::createFavouriteTables(*ctx.appDb);
        support::addRace(*ctx.appDb, s("R1"), 1200, 4);
        support::addRace(*ctx.appDb, s("R2"), 1600, 5);
    }

    // A document with one 距離 condition, analysed when `run`.
    void makeDocument(analysis::AnalysisDocument& doc, const QString& range, bool run);

    store::Database& db() { return *ctx.appDb; }

    QTemporaryDir dir;
    context::ScriptedPrompter prompter;
    context::SilentBusy busy;
    context::AppContext ctx{prompter, busy};
};

} // namespace tq::favourites
