#include "derived/MarkColumns.h"

namespace tq::derived {

QString markTableName(bool today)
{
    return today ? QStringLiteral("本日の印別成績") : QStringLiteral("過去の印別成績");
}

const QStringList& markStatisticColumns()
{
    static const QStringList columns = [] {
        QStringList out{QStringLiteral("基準勝率"), QStringLiteral("基準連対率"), QStringLiteral("基準複勝率"),
                        QStringLiteral("基準２着率"), QStringLiteral("基準３着率")};
        const QStringList rates{QStringLiteral("勝率"), QStringLiteral("連対率"), QStringLiteral("複勝率"),
                                QStringLiteral("２着率"), QStringLiteral("３着率"), QStringLiteral("勝率差")};
        const auto family = [&](const QString& name) {
            for (const QString& r : rates)
                out << name + r;
        };
        for (const char16_t* f : {u"ＩＤＭ", u"情報", u"展開", u"パドック", u"オッズ"})
            family(QString::fromUtf16(f));
        out << QStringLiteral("騎手２着率") << QStringLiteral("騎手３着率") << QStringLiteral("騎手勝率差");
        family(QStringLiteral("総合"));
        family(QStringLiteral("直前総合"));
        return out;
    }();
    return columns;
}

const std::array<int, kMarkRankCount>& markRankedStatistics()
{
    static const std::array<int, kMarkRankCount> ranked = [] {
        const QStringList& c = markStatisticColumns();
        std::array<int, kMarkRankCount> out{};
        const char16_t* names[] = {u"総合勝率",   u"直前総合勝率",   u"ＩＤＭ勝率差", u"情報勝率差",
                                   u"展開勝率差", u"騎手勝率差",     u"パドック勝率差", u"オッズ勝率差",
                                   u"総合勝率差", u"直前総合勝率差"};
        for (int i = 0; i < kMarkRankCount; ++i)
            out[std::size_t(i)] = int(c.indexOf(QString::fromUtf16(names[i])));
        return out;
    }();
    return ranked;
}

QStringList markRankColumns()
{
    QStringList out;
    for (int i : markRankedStatistics())
        out << markStatisticColumns().at(i) + QStringLiteral("順位");
    return out;
}

QString markCreateTableSql(const QString& table)
{
    QString sql = QStringLiteral("CREATE TABLE ") + table +
                  QStringLiteral(" (レースキー CHAR(8),馬番 CHAR(2),競走成績キー CHAR(16),馬名 CHAR(18),");
    for (const QString& c : markStatisticColumns())
        sql += c + QStringLiteral(" SINGLE,");
    for (const QString& c : markRankColumns())
        sql += c + QStringLiteral(" INTEGER,");
    return sql + QStringLiteral("CONSTRAINT PRIKEY PRIMARY KEY (レースキー,馬番))");
}

} // namespace tq::derived
