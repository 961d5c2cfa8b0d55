// Date functions over serial dates (days since 1899-12-30, REAL).

#include "store/JetFunctions.h"

#include <QDateTime>

#include <cmath>

namespace tq::store::jetfn {

namespace {

// The calendar date of a serial. The whole part is the day, also for negative
// serials (-1.25 is 1899-12-29 06:00), as the runtime encodes them.
CivilDate dateOf(double serial)
{
    return civilFromDays(static_cast<std::int64_t>(std::trunc(serial)));
}

enum class Part { Year, Month, Day };

template <Part part>
void datePart(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const CivilDate date = dateOf(serialOf(argv[0]));
    sqlite3_result_int(context, part == Part::Year ? date.year : part == Part::Month ? date.month : date.day);
}

// DateSerial(year, month, day): months and days out of range carry into the
// neighbouring months and years; years 0..29 mean 20xx, 30..99 mean 19xx.
void dateSerial(sqlite3_context* context, int, sqlite3_value** argv)
{
    std::int64_t year = requiredInteger(argv[0]);
    const std::int64_t month = requiredInteger(argv[1]);
    const std::int64_t day = requiredInteger(argv[2]);
    if (year >= 0 && year <= 29) {
        year += 2000;
    } else if (year >= 30 && year <= 99) {
        year += 1900;
    }
    const std::int64_t limit = 1000000;
    if (year < -limit || year > limit || month < -limit || month > limit || day < -limit * 400 || day > limit * 400) {
        throw VbError(kOverflow);
    }
    const std::int64_t monthIndex = year * 12 + (month - 1);
    const std::int64_t normalYear = monthIndex >= 0 ? monthIndex / 12 : -((-monthIndex + 11) / 12);
    const int normalMonth = static_cast<int>(monthIndex - normalYear * 12) + 1;
    const std::int64_t serial = daysFromCivil(static_cast<int>(normalYear), normalMonth, 1) + day - 1;
    if (serial < daysFromCivil(100, 1, 1) || serial > daysFromCivil(9999, 12, 31)) {
        throw VbError(kOverflow);
    }
    sqlite3_result_double(context, static_cast<double>(serial));
}

double serialNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    const std::int64_t day = now.date().toJulianDay() - QDate(1899, 12, 30).toJulianDay();
    return static_cast<double>(day) + now.time().msecsSinceStartOfDay() / 86400000.0;
}

void now(sqlite3_context* context, int, sqlite3_value**)
{
    sqlite3_result_double(context, serialNow());
}

void today(sqlite3_context* context, int, sqlite3_value**)
{
    sqlite3_result_double(context, std::floor(serialNow()));
}

struct Entry {
    const char* name;
    int argc;
    int flags;
    Body body;
};

} // namespace

void registerDateFunctions(sqlite3* db)
{
    // Now() and Date() change between calls, so they are not deterministic.
    static constexpr Entry kEntries[] = {
        {"jet_year", 1, kPureFlags, guarded<datePart<Part::Year>>},
        {"jet_month", 1, kPureFlags, guarded<datePart<Part::Month>>},
        {"jet_day", 1, kPureFlags, guarded<datePart<Part::Day>>},
        {"jet_dateserial", 3, kPureFlags, guarded<dateSerial>},
        {"jet_now", 0, SQLITE_UTF8, guarded<now>},
        {"jet_date", 0, SQLITE_UTF8, guarded<today>},
    };
    for (const Entry& entry : kEntries) {
        sqlite3_create_function_v2(db, entry.name, entry.argc, entry.flags, nullptr, entry.body, nullptr, nullptr,
                                   nullptr);
    }
}

} // namespace tq::store::jetfn
