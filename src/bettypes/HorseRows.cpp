#include "bettypes/HorseRows.h"

#include "common/VbNumber.h"
#include "store/Recordset.h"

#include <cstring>
#include <stdexcept>

namespace tq::bettypes {

HorseColumns HorseColumns::resolve(const store::Recordset& rs)
{
    HorseColumns c;
    c.raceKey = rs.fieldIndex(QStringLiteral("レースキー"));
    c.horseNumber = rs.fieldIndex(QStringLiteral("馬番"));
    c.frame = rs.fieldIndex(QStringLiteral("枠番"));
    c.abnormal = rs.fieldIndex(QStringLiteral("異常区分"));
    c.finish = rs.fieldIndex(QStringLiteral("着順"));
    return c;
}

QByteArrayView raceKeyOf(const store::Recordset& row, const HorseColumns& c)
{
    return c.raceKey < 0 ? QByteArrayView() : row.field(c.raceKey).utf8();
}

TicketHorse horseOf(const store::Recordset& row, const HorseColumns& c)
{
    TicketHorse h;
    if (c.horseNumber >= 0) {
        const QByteArrayView n = row.field(c.horseNumber).utf8();
        h.number.assign(n.data(), std::size_t(n.size()));
    }
    if (c.frame >= 0) {
        const QByteArrayView f = row.field(c.frame).utf8();
        h.frame.assign(f.data(), std::size_t(f.size()));
    }
    return h;
}

int finishOf(const store::Recordset& row, const HorseColumns& c)
{
    if (c.finish < 0)
        return 0;
    const store::Field f = row.field(c.finish);
    switch (f.kind()) {
    case store::Value::Kind::Null:
        return 0;
    case store::Value::Kind::Integer:
    case store::Value::Kind::Real:
        return common::vbCInt(f.toDouble());
    case store::Value::Kind::Text:
        break;
    }
    const QString text = f.toText();
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok)
        throw std::runtime_error("着順が数値ではありません: " + text.toStdString());
    return common::vbCInt(v);
}

bool isExcluded(const store::Recordset& row, const HorseColumns& c)
{
    if (c.abnormal < 0)
        return false;
    const QByteArrayView code = row.field(c.abnormal).utf8();
    return code.size() == 1 && (code[0] == '1' || code[0] == '2');
}

bool raceChanged(QByteArrayView race, std::string& last)
{
    if (std::size_t(race.size()) == last.size() && std::memcmp(race.data(), last.data(), last.size()) == 0)
        return false;
    last.assign(race.data(), std::size_t(race.size()));
    return true;
}

} // namespace tq::bettypes
