#include "favourites/FavouriteStore.h"

#include "conditions/Clauses.h"
#include "store/Database.h"
#include "store/Dynaset.h"

namespace tq::favourites {

namespace {

QString quoted(const QString& text)
{
    return QLatin1Char('\'') + conditions::quoteLiteral(text) + QLatin1Char('\'');
}

QString whereName(const QString& name)
{
    return QStringLiteral(" where 名称 = ") + quoted(name);
}

// Reads the current row of a recordset or dynaset (both offer value(name)).
template <typename Rows> Favourite readFavourite(const Rows& rs)
{
    Favourite f;
    f.name = rs.value(QStringLiteral("名称")).toText();
    f.group = rs.value(QStringLiteral("グループ名")).toText();
    f.show = rs.value(QStringLiteral("表示")).toInt() != 0;
    const store::Value colour = rs.value(QStringLiteral("色"));
    f.colour = colour.isNull() ? kNoColour : qint32(colour.toInt());
    f.conditionText = rs.value(QStringLiteral("条件")).toText();
    f.whereText = rs.value(QStringLiteral("ＷＨＥＲＥ文")).toText();
    for (int i = 0; i < kStatisticCount; ++i) {
        const store::Value v = rs.value(statisticColumns()[std::size_t(i)]);
        if (!v.isNull())
            f.statistics[std::size_t(i)] = v.toDouble();
    }
    f.comment = rs.value(QStringLiteral("コメント")).toText();
    const store::Value registered = rs.value(QStringLiteral("登録日時"));
    if (!registered.isNull())
        f.registered = fromDateSerial(registered.toDouble());
    f.author = rs.value(QStringLiteral("作者名")).toText();
    return f;
}

std::vector<Favourite> readAll(store::Database& db, const QString& sql)
{
    std::vector<Favourite> out;
    for (store::Recordset rs = db.openRecordset(sql); !rs.isEOF(); rs.moveNext())
        out.push_back(readFavourite(rs));
    return out;
}

std::vector<FavouriteEntry> readEntries(FavouriteEntryCursor cursor)
{
    std::vector<FavouriteEntry> out;
    while (!cursor.atEnd())
        out.push_back(cursor.next());
    return out;
}

QString alreadyExists(const QString& name)
{
    return QStringLiteral("「%1」という名前のお気に入りは既に登録されています").arg(name);
}

QString notFound(const QString& name)
{
    return QStringLiteral("お気に入り「%1」は登録されていません").arg(name);
}

} // namespace

std::optional<Favourite> FavouriteStore::find(const QString& name)
{
    store::Recordset rs = m_db.openRecordset(QStringLiteral("select * from お気に入り") + whereName(name));
    if (rs.isEOF())
        return std::nullopt;
    return readFavourite(rs);
}

bool FavouriteStore::exists(const QString& name)
{
    return countNamed(name) > 0;
}

int FavouriteStore::countNamed(const QString& name)
{
    store::Recordset rs = m_db.openRecordset(QStringLiteral("select count(*) from お気に入り") + whereName(name));
    return int(rs.field(0).toInt());
}

std::vector<Favourite> FavouriteStore::list(const std::optional<QString>& group)
{
    const QString where = group ? QStringLiteral(" where グループ名 = ") + quoted(*group) : QString();
    return readAll(m_db, QStringLiteral("select * from お気に入り") + where + QStringLiteral(" order by グループ名,名称"));
}

std::vector<Favourite> FavouriteStore::inGroup(const QString& group)
{
    return readAll(m_db, QStringLiteral("select * from お気に入り where グループ名 = ") + quoted(group));
}

std::vector<Favourite> FavouriteStore::select(const QString& filter)
{
    return readAll(m_db, QStringLiteral("select * from お気に入り ") + filter);
}

FavouriteEntry FavouriteEntryCursor::next()
{
    FavouriteEntry e;
    e.name = m_rows.field(0).toText();
    e.group = m_rows.field(1).toText();
    e.show = m_rows.field(2).toInt() != 0;
    e.colour = m_rows.field(3).isNull() ? kNoColour : qint32(m_rows.field(3).toInt());
    m_rows.moveNext();
    return e;
}

FavouriteEntryCursor FavouriteStore::openGroupedEntries()
{
    return FavouriteEntryCursor(
        m_db.openRecordset(QStringLiteral("select 名称,グループ名,表示,色 from お気に入り where グループ名 <> ") +
                           quoted(topLevelGroup()) + QStringLiteral(" order by グループ名,名称")));
}

FavouriteEntryCursor FavouriteStore::openTopLevelEntries()
{
    return FavouriteEntryCursor(
        m_db.openRecordset(QStringLiteral("select 名称,グループ名,表示,色 from お気に入り where グループ名 = ") +
                           quoted(topLevelGroup()) + QStringLiteral(" order by グループ名,名称")));
}

std::vector<FavouriteEntry> FavouriteStore::groupedEntries()
{
    return readEntries(openGroupedEntries());
}

std::vector<FavouriteEntry> FavouriteStore::topLevelEntries()
{
    return readEntries(openTopLevelEntries());
}

QStringList FavouriteStore::groupNames()
{
    QStringList out;
    store::Recordset rs = m_db.openRecordset(QStringLiteral("select グループ名 from お気に入り where グループ名 <> ") +
                                             quoted(topLevelGroup()) +
                                             QStringLiteral(" group by グループ名 order by グループ名"));
    for (; !rs.isEOF(); rs.moveNext())
        out << rs.field(0).toText();
    return out;
}

void FavouriteStore::save(const Favourite& f)
{
    store::Transaction transaction(m_db);
    auto rs = store::Dynaset::open(m_db, QStringLiteral("select * from お気に入り") + whereName(f.name));
    if (rs->isEOF())
        rs->addNew();
    else
        rs->edit();
    rs->setValue(QStringLiteral("名称"), store::Value(f.name));
    rs->setValue(QStringLiteral("グループ名"), store::Value(f.group));
    rs->setValue(QStringLiteral("表示"), store::Value(f.show ? -1 : 0));
    rs->setValue(QStringLiteral("色"), store::Value(f.colour));
    rs->setValue(QStringLiteral("条件"), store::Value(f.conditionText));
    rs->setValue(QStringLiteral("ＷＨＥＲＥ文"), store::Value(f.whereText));
    for (int i = 0; i < kStatisticCount; ++i) {
        const std::optional<double>& v = f.statistics[std::size_t(i)];
        if (!v)
            continue;
        const QString& column = statisticColumns()[std::size_t(i)];
        rs->setValue(column, isCountStatistic(i) ? store::Value(qint64(std::llround(*v))) : store::Value(*v));
    }
    rs->setValue(QStringLiteral("コメント"), store::Value(f.comment));
    rs->setValue(QStringLiteral("登録日時"),
                 f.registered.isValid() ? store::Value(dateSerial(f.registered)) : store::Value());
    rs->setValue(QStringLiteral("作者名"), store::Value(f.author));
    rs->update();
    transaction.commit();
}

void FavouriteStore::remove(const QString& name)
{
    store::Transaction transaction(m_db);
    if (m_db.execute(QStringLiteral("delete from お気に入り") + whereName(name)) == 0)
        throw FavouriteError(notFound(name));
    transaction.commit();
}

void FavouriteStore::refuseDuplicate(const QString& name)
{
    if (countNamed(name) > 1)
        throw FavouriteError(alreadyExists(name));
}

void FavouriteStore::rename(const QString& from, const QString& to)
{
    if (to.trimmed().isEmpty())
        throw FavouriteError(QStringLiteral("お気に入りの名前が空です"));
    store::Transaction transaction(m_db);
    if (m_db.execute(QStringLiteral("update お気に入り set 名称 = ") + quoted(to) + whereName(from)) == 0)
        throw FavouriteError(notFound(from));
    refuseDuplicate(to);
    transaction.commit();
}

void FavouriteStore::move(const QString& name, const QString& group)
{
    if (group.isEmpty())
        throw FavouriteError(QStringLiteral("グループ名が空です"));
    store::Transaction transaction(m_db);
    if (m_db.execute(QStringLiteral("update お気に入り set グループ名 = ") + quoted(group) + whereName(name)) == 0)
        throw FavouriteError(notFound(name));
    transaction.commit();
}

void FavouriteStore::reorganise(const QStringList& deletions, const std::vector<FavouriteRewrite>& rewrites)
{
    for (const FavouriteRewrite& r : rewrites)
        if (r.name.trimmed().isEmpty())
            throw FavouriteError(QStringLiteral("お気に入りの名前が空です"));
    store::Transaction transaction(m_db);
    for (const QString& name : deletions)
        m_db.execute(QStringLiteral("delete from お気に入り") + whereName(name));
    for (const FavouriteRewrite& r : rewrites)
        m_db.execute(QStringLiteral("update お気に入り set グループ名 = ") + quoted(r.group) +
                     QStringLiteral(",名称 = ") + quoted(r.name) + QStringLiteral(",表示=") +
                     (r.show ? QStringLiteral("-1") : QStringLiteral("0")) + whereName(r.storedName));
    for (const FavouriteRewrite& r : rewrites)
        if (r.name != r.storedName)
            refuseDuplicate(r.name);
    transaction.commit();
}

} // namespace tq::favourites
