// The generated calendar follows the seasons of the ten courses: a year of
// races broken down by course and month shows no meeting out of season, and
// every race day has two or three courses.

#include "tools/BulkDb.h"
#include "tools/RaceDataGenerator.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <map>
#include <set>

namespace {

TEST(GeneratedCalendar, CoursesRunOnlyInTheirSeasonWithTwoOrThreeCoursesADay)
{
    QTemporaryDir dir;
    tq::tools::GenOptions options;
    options.outDir = dir.path();
    options.years = 1;
    QString error;
    ASSERT_TRUE(tq::tools::generateRaceData(options, nullptr, &error)) << error.toStdString();

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QDir(dir.path()).filePath(QStringLiteral("korven_data.mdb")).toUtf8().constData(), &db,
                              SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    tq::tools::prepareConnection(db);
    std::map<int, std::set<int>> monthsOfCourse;
    std::map<QString, int> coursesOfDay;
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "select distinct 年月日, 場コード from D番組データ", -1, &st, nullptr), SQLITE_OK);
    while (sqlite3_step(st) == SQLITE_ROW) {
        const QString date = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        monthsOfCourse[sqlite3_column_int(st, 1)].insert(date.mid(4, 2).toInt());
        ++coursesOfDay[date];
    }
    sqlite3_finalize(st);
    sqlite3_close(db);

    // The months in which each course may race (a meeting may start late in
    // the month before or end early in the month after its season).
    const std::map<int, std::set<int>> season = {
        {1, {7, 8, 9}},                   // 札幌: summer only
        {2, {6, 7}},                      // 函館: early summer only
        {3, {3, 4, 6, 7, 11, 12}},        // 福島: spring, summer, autumn
        {4, {4, 5, 7, 8, 9, 10, 11}},     // 新潟: never in winter
        {5, {1, 2, 4, 5, 6, 10, 11, 12}}, // 東京
        {6, {1, 2, 3, 4, 9, 10, 12}},     // 中山
        {7, {2, 3, 6, 7, 12}},            // 中京
        {8, {1, 2, 4, 5, 10, 11, 12}},    // 京都
        {9, {2, 3, 4, 5, 6, 9, 10, 12}},  // 阪神
        {10, {1, 2, 7, 8, 9}},            // 小倉: winter and summer
    };
    ASSERT_EQ(monthsOfCourse.size(), season.size());
    for (const auto& [course, months] : monthsOfCourse) {
        const std::set<int>& allowed = season.at(course);
        for (int month : months)
            EXPECT_TRUE(allowed.count(month)) << "course " << course << " races in month " << month;
    }
    for (const auto& [date, courses] : coursesOfDay) {
        EXPECT_GE(courses, 2) << date.toStdString();
        EXPECT_LE(courses, 3) << date.toStdString();
    }
}

} // namespace
