// Format(value[, pattern]) for the number, text and date patterns the system's
// users write. A pattern this function does not understand is an error, so a
// gap shows up instead of a silently different text.

#include "store/JetFunctions.h"

#include "common/VbNumber.h"

#include <QStringList>

#include <cmath>
#include <vector>

namespace tq::store::jetfn {

namespace {

[[noreturn]] void unsupported(const QString& pattern)
{
    throw VbError("Unsupported format: " + pattern.toStdString());
}

// Splits at ";" outside quotes and escapes.
QStringList sections(const QString& pattern)
{
    QStringList out(QString{});
    bool quoted = false;
    for (qsizetype k = 0; k < pattern.size(); ++k) {
        const QChar c = pattern[k];
        if (c == u'"') {
            quoted = !quoted;
        } else if (c == u'\\' && !quoted && k + 1 < pattern.size()) {
            out.last() += c;
            out.last() += pattern[++k];
            continue;
        } else if (c == u';' && !quoted) {
            out.append(QString{});
            continue;
        }
        out.last() += c;
    }
    return out;
}

// The literal text of a section used for Null ("\"なし\"" -> "なし").
QString literalText(const QString& section)
{
    QString out;
    for (qsizetype k = 0; k < section.size(); ++k) {
        const QChar c = section[k];
        if (c == u'"') {
            continue;
        }
        if (c == u'\\' && k + 1 < section.size()) {
            out += section[++k];
            continue;
        }
        out += c;
    }
    return out;
}

enum class Kind { Number, Text, Date };

Kind classify(const QString& pattern)
{
    bool date = false;
    bool text = false;
    bool number = false;
    bool quoted = false;
    for (qsizetype k = 0; k < pattern.size(); ++k) {
        const char16_t c = pattern[k].unicode();
        if (c == u'"') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == u'\\') {
            ++k;
        } else if (QStringView(u"yYmMdDhHnNsS").contains(QChar(c))) {
            date = true;
        } else if (QStringView(u"@&<>!").contains(QChar(c))) {
            text = true;
        } else if (c == u'0' || c == u'#') {
            number = true;
        }
    }
    if (date) {
        return Kind::Date;
    }
    if (text) {
        return Kind::Text;
    }
    if (number) {
        return Kind::Number;
    }
    unsupported(pattern);
}

QString padded(std::int64_t value, int width)
{
    return QString::number(value).rightJustified(width, u'0');
}

// Date and time tokens: yyyy yy y(day of year) m mm d dd h hh n nn s ss; an
// "m" right after an hour token or right before a seconds token is minutes.
QString formatDate(double serial, const QString& pattern)
{
    struct Token {
        QChar letter; // 0 for literal text
        int count = 0;
        QString literal;
    };
    std::vector<Token> tokens;
    bool quoted = false;
    for (qsizetype k = 0; k < pattern.size(); ++k) {
        const QChar c = pattern[k];
        if (c == u'"') {
            quoted = !quoted;
            continue;
        }
        if (quoted || c.unicode() >= 0x80 || QStringView(u"/:-. ,()").contains(c)) {
            tokens.push_back({QChar(), 0, QString(c)});
            continue;
        }
        if (c == u'\\' && k + 1 < pattern.size()) {
            tokens.push_back({QChar(), 0, QString(pattern[++k])});
            continue;
        }
        const QChar letter = c.toLower();
        if (!QStringView(u"ymdhns").contains(letter)) {
            unsupported(pattern);
        }
        int count = 1;
        while (k + 1 < pattern.size() && pattern[k + 1].toLower() == letter) {
            ++count;
            ++k;
        }
        tokens.push_back({letter, count, {}});
    }

    const auto day = static_cast<std::int64_t>(std::trunc(serial));
    const CivilDate date = civilFromDays(day);
    auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(serial - static_cast<double>(day)) * 86400.0));
    seconds = std::min<std::int64_t>(seconds, 86399);

    QString out;
    QChar previous; // the last date/time letter seen
    for (std::size_t t = 0; t < tokens.size(); ++t) {
        const Token& token = tokens[t];
        if (token.letter.isNull()) {
            out += token.literal;
            continue;
        }
        QChar letter = token.letter;
        if (letter == u'm') {
            QChar following;
            for (std::size_t u = t + 1; u < tokens.size() && following.isNull(); ++u) {
                following = tokens[u].letter;
            }
            if (previous == u'h' || following == u's') {
                letter = u'n';
            }
        }
        const int count = token.count;
        const int width = count >= 2 ? 2 : 1;
        switch (letter.unicode()) {
        case u'y':
            if (count == 4) {
                out += padded(date.year, 4);
            } else if (count == 2) {
                out += padded(date.year % 100, 2);
            } else if (count == 1) {
                out += QString::number(day - daysFromCivil(date.year, 1, 1) + 1);
            } else {
                unsupported(pattern);
            }
            break;
        case u'm':
        case u'd':
        case u'h':
        case u'n':
        case u's': {
            if (count > 2) {
                unsupported(pattern);
            }
            const std::int64_t value = letter == u'm'   ? date.month
                                       : letter == u'd' ? date.day
                                       : letter == u'h' ? seconds / 3600
                                       : letter == u'n' ? seconds / 60 % 60
                                                        : seconds % 60;
            out += padded(value, width);
            break;
        }
        default:
            unsupported(pattern);
        }
        previous = letter;
    }
    return out;
}

QString formatNumber(double value, const QStringList& parts, const QString& pattern)
{
    try {
        if (value < 0.0 && parts.size() >= 2 && !parts[1].isEmpty()) {
            return common::vbFormat(-value, parts[1]);
        }
        if (value == 0.0 && parts.size() >= 3 && !parts[2].isEmpty()) {
            return common::vbFormat(0.0, parts[2]);
        }
        return common::vbFormat(value, parts[0]);
    } catch (const std::invalid_argument&) {
        unsupported(pattern);
    }
}

QString formatText(const QString& text, const QString& pattern)
{
    QString rest;
    QString out = text;
    for (const QChar c : pattern) {
        if (c == u'<') {
            out = out.toLower();
        } else if (c == u'>') {
            out = out.toUpper();
        } else {
            rest += c;
        }
    }
    if (rest.contains(u'&') || rest.contains(u'!')) {
        unsupported(pattern);
    }
    return rest.isEmpty() ? out : common::vbFormatText(out, rest);
}

// The named formats, as patterns of this Japanese-locale program.
QString namedPattern(const QString& name)
{
    const QString key = name.trimmed().toLower();
    if (key == u"fixed") {
        return QStringLiteral("0.00");
    }
    if (key == u"standard") {
        return QStringLiteral("#,##0.00");
    }
    if (key == u"percent") {
        return QStringLiteral("0.00%");
    }
    if (key == u"short date") {
        return QStringLiteral("yyyy/mm/dd");
    }
    if (key == u"long time") {
        return QStringLiteral("h:nn:ss");
    }
    if (key == u"short time") {
        return QStringLiteral("hh:nn");
    }
    return {};
}

void format(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    const bool hasPattern = argc > 1 && sqlite3_value_type(argv[1]) != SQLITE_NULL;
    std::string patternBuffer;
    QString pattern = hasPattern ? toQString(textOf(argv[1], patternBuffer)) : QString();
    const QStringList parts = sections(pattern);
    sqlite3_value* value = argv[0];
    if (sqlite3_value_type(value) == SQLITE_NULL) {
        if (parts.size() >= 4) {
            resultText(context, literalText(parts[3]));
        } else {
            sqlite3_result_null(context);
        }
        return;
    }
    std::string buffer;
    const QString key = pattern.trimmed().toLower();
    if (pattern.isEmpty() || key == u"general number") {
        resultText(context, textOf(value, buffer));
        return;
    }
    if (key == u"yes/no" || key == u"true/false" || key == u"on/off") {
        const bool on = numberOf(value).toDouble() != 0.0;
        const QStringList words = key.split(u'/');
        QString word = on ? words[0] : words[1];
        word[0] = word[0].toUpper();
        resultText(context, word);
        return;
    }
    if (key == u"general date") {
        const double serial = serialOf(value);
        const bool hasTime = serial != std::trunc(serial);
        const bool hasDate = std::trunc(serial) != 0.0;
        QString text = hasDate ? formatDate(serial, QStringLiteral("yyyy/mm/dd")) : QString();
        if (hasTime) {
            text += (hasDate ? QStringLiteral(" ") : QString()) + formatDate(serial, QStringLiteral("h:nn:ss"));
        }
        resultText(context, text);
        return;
    }
    if (const QString named = namedPattern(pattern); !named.isEmpty()) {
        pattern = named;
    }
    switch (classify(pattern)) {
    case Kind::Date:
        resultText(context, formatDate(serialOf(value), pattern));
        return;
    case Kind::Text:
        resultText(context, formatText(toQString(textOf(value, buffer)), pattern));
        return;
    case Kind::Number: {
        Number number;
        try {
            number = numberOf(value);
        } catch (const VbError&) {
            resultText(context, textOf(value, buffer)); // text that is no number stays as it is
            return;
        }
        resultText(context, formatNumber(number.toDouble(), sections(pattern), pattern));
        return;
    }
    }
}

} // namespace

void registerFormatFunction(sqlite3* db)
{
    sqlite3_create_function_v2(db, "jet_format", 1, kPureFlags, nullptr, guarded<format>, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "jet_format", 2, kPureFlags, nullptr, guarded<format>, nullptr, nullptr, nullptr);
}

} // namespace tq::store::jetfn
