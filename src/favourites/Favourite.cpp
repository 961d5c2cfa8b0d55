#include "favourites/Favourite.h"

#include <cmath>

namespace tq::favourites {

const std::array<QString, kStatisticCount>& statisticColumns()
{
    static const std::array<QString, kStatisticCount> names = {
        QStringLiteral("総件数"),
        QStringLiteral("１着件数"),
        QStringLiteral("２着件数"),
        QStringLiteral("３着件数"),
        QStringLiteral("着外件数"),
        QStringLiteral("勝率"),
        QStringLiteral("連対率"),
        QStringLiteral("複勝率"),
        QStringLiteral("単回収率"),
        QStringLiteral("複回収率"),
        QStringLiteral("単平均配当"),
        QStringLiteral("単最高配当"),
        QStringLiteral("複平均配当"),
        QStringLiteral("複最高配当"),
        QStringLiteral("最高配当抜き単回収率"),
        QStringLiteral("最高配当抜き複回収率"),
        QStringLiteral("レース件数"),
        QStringLiteral("レース勝率"),
        QStringLiteral("レース連対率"),
        QStringLiteral("レース複勝率"),
        QStringLiteral("平均頭数"),
        QStringLiteral("最低勝率"),
        QStringLiteral("最低連対率"),
        QStringLiteral("最低複勝率"),
        QStringLiteral("戻り均等単回収率"),
        QStringLiteral("戻り均等最低単回収率"),
    };
    return names;
}

bool isCountStatistic(int index)
{
    return index <= 4 || index == 16;
}

namespace {
const QDateTime& epoch()
{
    static const QDateTime start(QDate(1899, 12, 30), QTime(0, 0));
    return start;
}
constexpr double kMsPerDay = 86400000.0;
} // namespace

double dateSerial(const QDateTime& moment)
{
    // Local wall-clock time, as the original kept dates: the difference of
    // the two local times, not of their UTC instants.
    const QDateTime local(moment.date(), moment.time());
    return double(QDateTime(epoch().date(), epoch().time(), Qt::UTC)
                      .msecsTo(QDateTime(local.date(), local.time(), Qt::UTC))) /
           kMsPerDay;
}

QDateTime fromDateSerial(double serial)
{
    const QDateTime utc =
        QDateTime(epoch().date(), epoch().time(), Qt::UTC).addMSecs(qint64(std::llround(serial * kMsPerDay)));
    return QDateTime(utc.date(), utc.time());
}

} // namespace tq::favourites
