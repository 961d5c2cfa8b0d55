#pragma once
// Favourite: one row of the table お気に入り, the named conditions kept with
// their statistics and the WHERE text that picks today's runners.

#include "favourites/FavoChoice.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <optional>

namespace tq::favourites {

// The twenty-six statistics in the column order of an ungrouped result table;
// registration reads them by this position.
inline constexpr int kStatisticCount = 26;
const std::array<QString, kStatisticCount>& statisticColumns();
// Whether the statistic at `index` is a count (stored as an integer).
bool isCountStatistic(int index);

struct Favourite {
    QString name;
    QString group = topLevelGroup();
    bool show = true;
    qint32 colour = kNoColour;
    QString conditionText; // the condition-file lines, each ended by CR LF
    QString whereText;     // ＷＨＥＲＥ文 with today's table names
    // Null in the table (never computed, or a column added by an upgrade) is
    // an empty optional.
    std::array<std::optional<double>, kStatisticCount> statistics{};
    QString comment;
    QDateTime registered; // invalid when Null
    QString author;
};

// Date serials as the database keeps dates (days since 1899-12-30, the time
// of day as the fraction), in local time.
double dateSerial(const QDateTime& moment);
QDateTime fromDateSerial(double serial);

} // namespace tq::favourites
