// Format(value[, pattern]) for the number, text and date patterns the system's
// users write. A pattern this function does not understand is an error, so a
// gap shows up instead of a silently different text.

#include "store/JetFunctions.h"

#include "common/VbNumber.h"

#include <QDateTime>
#include <QStringList>

#include <cmath>
#include <initializer_list>

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
    bool quoted = false; // a quoted literal hides letters and placeholders
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
    if (text && !number) {
        return Kind::Text;
    }
    return Kind::Number; // vbFormat refuses what it does not know
}

// The date and time of a serial (the fraction is the time of day, also for
// negative serials), to the second.
QDateTime dateTimeOf(double serial)
{
    const auto day = static_cast<std::int64_t>(std::trunc(serial));
    const CivilDate date = civilFromDays(day);
    auto seconds = std::llround(std::fabs(serial - static_cast<double>(day)) * 86400.0);
    seconds = std::min<long long>(seconds, 86399);
    return QDateTime(QDate(date.year, date.month, date.day), QTime(0, 0).addSecs(static_cast<int>(seconds)));
}

bool isNamed(const QString& key, std::initializer_list<const char16_t*> names)
{
    for (const char16_t* name : names) {
        if (key == QStringView(name)) {
            return true;
        }
    }
    return false;
}

template <typename Fn>
QString orUnsupported(const QString& pattern, Fn&& fn)
{
    try {
        return fn();
    } catch (const std::invalid_argument&) {
        unsupported(pattern);
    }
}

void format(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    const bool hasPattern = argc > 1 && sqlite3_value_type(argv[1]) != SQLITE_NULL;
    std::string patternBuffer;
    const QString pattern = hasPattern ? toQString(textOf(argv[1], patternBuffer)) : QString();
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
    if (isNamed(key, {u"yes/no", u"true/false", u"on/off"})) {
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
        QString pattern2 = hasDate ? QStringLiteral("yyyy/mm/dd") : QString();
        if (hasTime) {
            pattern2 += hasDate ? QStringLiteral(" h:nn:ss") : QStringLiteral("h:nn:ss");
        }
        resultText(context, orUnsupported(pattern, [&] { return common::vbFormatDateTime(dateTimeOf(serial), pattern2); }));
        return;
    }
    Kind kind = Kind::Number;
    if (isNamed(key, {u"short date", u"long time", u"short time"})) {
        kind = Kind::Date;
    } else if (!pattern.isEmpty() && !isNamed(key, {u"general number", u"fixed", u"standard", u"percent"})) {
        kind = classify(pattern);
    }
    switch (kind) {
    case Kind::Date: {
        const QDateTime when = dateTimeOf(serialOf(value));
        resultText(context, orUnsupported(pattern, [&] { return common::vbFormatDateTime(when, pattern); }));
        return;
    }
    case Kind::Text: {
        const QString text = toQString(textOf(value, buffer));
        resultText(context, orUnsupported(pattern, [&] { return common::vbFormatText(text, pattern); }));
        return;
    }
    case Kind::Number: {
        Number number;
        try {
            number = numberOf(value);
        } catch (const VbError&) {
            resultText(context, textOf(value, buffer)); // text that is no number stays as it is
            return;
        }
        if (number.isInteger && pattern.isEmpty()) {
            resultText(context, textOf(value, buffer));
            return;
        }
        // The fourth section is for Null only; vbFormat knows the first three.
        const QString numberPattern = parts.size() >= 4 ? parts.mid(0, 3).join(u';') : pattern;
        resultText(context,
                   orUnsupported(pattern, [&] { return common::vbFormat(number.toDouble(), numberPattern); }));
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
