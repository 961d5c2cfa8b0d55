#include "favourites/OrganizerRows.h"

#include "favourites/Favourite.h"

#include <QDateTime>

#include <cmath>

namespace tq::favourites {

const std::array<QString, kOrganizerColumnCount>& organizerColumns()
{
    static const std::array<QString, kOrganizerColumnCount> names = [] {
        std::array<QString, kOrganizerColumnCount> out;
        out[organizer::kShow] = QStringLiteral("表示");
        out[organizer::kGroup] = QStringLiteral("グループ名");
        out[organizer::kName] = QStringLiteral("名称");
        for (int i = 0; i < kStatisticCount; ++i)
            out[std::size_t(3 + i)] = statisticColumns()[std::size_t(i)];
        out[organizer::kComment] = QStringLiteral("コメント");
        out[organizer::kRegistered] = QStringLiteral("登録日時");
        out[organizer::kAuthor] = QStringLiteral("作者名");
        out[organizer::kColour] = QStringLiteral("色");
        return out;
    }();
    return names;
}

CellEdit cellEdit(int column)
{
    switch (column) {
    case organizer::kShow:
        return CellEdit::Flag;
    case organizer::kGroup:
        return CellEdit::Group;
    case organizer::kName:
        return CellEdit::Name;
    case organizer::kComment:
    case organizer::kAuthor:
        return CellEdit::Text;
    case organizer::kRegistered:
        return CellEdit::DateTime;
    default:
        break;
    }
    // The five counts and the five main rates are what the analysis gave;
    // the remaining statistics are open to correction.
    if (column >= 13 && column < 3 + kStatisticCount)
        return CellEdit::Number;
    return CellEdit::Locked;
}

RateFamily rateFamily(int column)
{
    switch (column + 1) { // the grid's 1-based column numbers
    case 9:
    case 21:
    case 25:
        return RateFamily::Win;
    case 10:
    case 22:
    case 26:
        return RateFamily::TopTwo;
    case 11:
    case 23:
    case 27:
        return RateFamily::TopThree;
    case 12:
    case 13:
    case 18:
    case 19:
    case 28:
    case 29:
        return RateFamily::Return;
    default:
        return RateFamily::None;
    }
}

OrganizerCursor::Row OrganizerCursor::next()
{
    Row row;
    for (int i = 0; i < kOrganizerColumnCount; ++i)
        row[std::size_t(i)] = m_rows.value(i);
    m_rows.moveNext();
    return row;
}

std::optional<store::Value> parseCell(int column, const QString& text)
{
    const QString trimmed = text.trimmed();
    switch (cellEdit(column)) {
    case CellEdit::Locked:
        return std::nullopt;
    case CellEdit::Flag:
        return store::Value(trimmed == QStringLiteral("0") || trimmed.isEmpty() ? 0 : -1);
    case CellEdit::Name:
    case CellEdit::Group:
        if (trimmed.isEmpty())
            return std::nullopt;
        return store::Value(text);
    case CellEdit::Text:
        return store::Value(text);
    case CellEdit::Number: {
        if (trimmed.isEmpty())
            return store::Value();
        bool ok = false;
        const double v = trimmed.toDouble(&ok);
        if (!ok)
            return std::nullopt;
        return isCountStatistic(column - 3) ? store::Value(qint64(std::llround(v))) : store::Value(v);
    }
    case CellEdit::DateTime: {
        if (trimmed.isEmpty())
            return store::Value();
        for (const char* format : {"yyyy/MM/dd hh:mm:ss", "yyyy/MM/dd hh:mm", "yyyy/MM/dd"}) {
            const QDateTime moment = QDateTime::fromString(trimmed, QString::fromLatin1(format));
            if (moment.isValid())
                return store::Value(dateSerial(moment));
        }
        return std::nullopt;
    }
    }
    return std::nullopt;
}

} // namespace tq::favourites
