// Format(): numeric, text and date/time patterns.
#include "common/VbDecimal.h"
#include "common/VbNumber.h"

#include <QDateTime>

#include <cmath>
#include <string>
#include <vector>

namespace tq::common {

using detail::Decimal;
using detail::Rounding;

namespace {

[[noreturn]] void unsupported(const QString& pattern, const char* why)
{
    throw std::invalid_argument(std::string("Format: unsupported pattern \"") + pattern.toStdString() + "\": " + why);
}

bool isAsciiLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

// Reads a literal at pattern[i] (quoted text, "\x", or one plain character)
// into `out` and advances i. Returns false when pattern[i] is not a literal.
bool takeLiteral(const QString& pattern, qsizetype& i, QString& out)
{
    const QChar c = pattern.at(i);
    if (c == QLatin1Char('"')) {
        const qsizetype end = pattern.indexOf(QLatin1Char('"'), i + 1);
        if (end < 0)
            unsupported(pattern, "unterminated quote");
        out += QStringView(pattern).mid(i + 1, end - i - 1);
        i = end + 1;
        return true;
    }
    if (c == QLatin1Char('\\')) {
        if (i + 1 >= pattern.size())
            unsupported(pattern, "trailing backslash");
        out += pattern.at(i + 1);
        i += 2;
        return true;
    }
    return false;
}

// One section of a numeric pattern: literals around one run of placeholders.
struct NumberSection {
    QString prefix;
    QString suffix;
    bool hasPlaceholders = false;
    bool hasPoint = false;
    bool grouping = false;
    bool percent = false;
    int minIntDigits = 0;  // placeholders from the leftmost integer "0" to the point
    int minFracDigits = 0; // fraction placeholders up to the last "0"
    int maxFracDigits = 0; // all fraction placeholders
};

NumberSection parseSection(const QString& pattern, const QString& section)
{
    NumberSection s;
    enum { Before, Digits, After } state = Before;
    int intPlaceholders = 0;
    int leftmostZero = -1; // index among integer placeholders
    bool commaPending = false;
    for (qsizetype i = 0; i < section.size();) {
        const QChar c = section.at(i);
        const bool placeholder = c == QLatin1Char('0') || c == QLatin1Char('#');
        const bool inNumber = placeholder || c == QLatin1Char('.') || (c == QLatin1Char(',') && state == Digits);
        if (inNumber) {
            if (state == After)
                unsupported(pattern, "text between digit placeholders");
            state = Digits;
            s.hasPlaceholders = s.hasPlaceholders || placeholder;
            if (c == QLatin1Char('.')) {
                if (s.hasPoint)
                    unsupported(pattern, "two decimal points");
                if (commaPending)
                    unsupported(pattern, "scaling comma");
                s.hasPoint = true;
            } else if (c == QLatin1Char(',')) {
                if (s.hasPoint)
                    unsupported(pattern, "comma after the decimal point");
                commaPending = true;
            } else if (!s.hasPoint) {
                if (commaPending) {
                    s.grouping = true;
                    commaPending = false;
                }
                if (c == QLatin1Char('0') && leftmostZero < 0)
                    leftmostZero = intPlaceholders;
                ++intPlaceholders;
            } else {
                ++s.maxFracDigits;
                if (c == QLatin1Char('0'))
                    s.minFracDigits = s.maxFracDigits;
            }
            ++i;
            continue;
        }
        if (state == Digits) {
            if (commaPending)
                unsupported(pattern, "scaling comma");
            state = After;
        }
        QString& out = state == Before ? s.prefix : s.suffix;
        if (takeLiteral(section, i, out))
            continue;
        if (isAsciiLetter(c) || c == QLatin1Char('@') || c == QLatin1Char('&'))
            unsupported(pattern, "letters or text placeholders");
        if (c == QLatin1Char('%'))
            s.percent = true;
        if (c == QLatin1Char(','))
            unsupported(pattern, "comma outside the digits");
        out += c;
        ++i;
    }
    if (commaPending)
        unsupported(pattern, "scaling comma");
    s.minIntDigits = leftmostZero < 0 ? 0 : intPlaceholders - leftmostZero;
    return s;
}

// Splits at ";" outside quotes and escapes.
QStringList splitSections(const QString& pattern)
{
    QStringList sections;
    QString current;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('"')) {
            const qsizetype end = pattern.indexOf(QLatin1Char('"'), i + 1);
            if (end < 0)
                unsupported(pattern, "unterminated quote");
            current += QStringView(pattern).mid(i, end - i + 1);
            i = end;
        } else if (c == QLatin1Char('\\') && i + 1 < pattern.size()) {
            current += c;
            current += pattern.at(++i);
        } else if (c == QLatin1Char(';')) {
            sections.append(current);
            current.clear();
        } else {
            current += c;
        }
    }
    sections.append(current);
    if (sections.size() > 4)
        unsupported(pattern, "more than four sections");
    return sections;
}

bool hasTextPlaceholder(const QString& pattern)
{
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('"')) {
            const qsizetype end = pattern.indexOf(QLatin1Char('"'), i + 1);
            if (end < 0)
                return false;
            i = end;
        } else if (c == QLatin1Char('\\')) {
            ++i;
        } else if (c == QLatin1Char('@') || c == QLatin1Char('&')) {
            return true;
        }
    }
    return false;
}

// The digits of |value| laid out by the section; `negativeOut` tells whether
// the rounded value is below zero.
QString formatDigits(double value, const NumberSection& s, bool& negativeOut)
{
    Decimal d = detail::shortestOf(value);
    if (s.percent && !d.isZero())
        d.point += 2;
    detail::roundToPlaces(d, s.maxFracDigits, Rounding::HalfAwayFromZero);
    negativeOut = d.negative && !d.isZero();

    std::string ip = detail::integerDigits(d);
    if (static_cast<int>(ip.size()) < s.minIntDigits)
        ip.insert(0, static_cast<size_t>(s.minIntDigits) - ip.size(), '0');
    if (s.grouping) {
        for (int pos = static_cast<int>(ip.size()) - 3; pos > 0; pos -= 3)
            ip.insert(static_cast<size_t>(pos), 1, ',');
    }
    std::string fp = detail::fractionDigits(d);
    if (static_cast<int>(fp.size()) < s.minFracDigits)
        fp.append(static_cast<size_t>(s.minFracDigits) - fp.size(), '0');

    std::string out = ip;
    if (s.hasPoint) {
        out += '.';
        out += fp;
    }
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

QString namedNumberFormat(const QString& pattern)
{
    const QString name = pattern.toLower();
    if (name == QLatin1String("fixed"))
        return QStringLiteral("0.00");
    if (name == QLatin1String("standard"))
        return QStringLiteral("#,##0.00");
    if (name == QLatin1String("percent"))
        return QStringLiteral("0.00%");
    return pattern;
}

} // namespace

QString vbFormat(double value, const QString& pattern)
{
    if (pattern.isEmpty() || pattern.compare(QLatin1String("General Number"), Qt::CaseInsensitive) == 0)
        return vbCStr(value);
    if (!std::isfinite(value))
        return vbCStr(value);
    if (hasTextPlaceholder(pattern))
        return vbFormatText(vbCStr(value), pattern);

    const QString effective = namedNumberFormat(pattern);
    const QStringList sections = splitSections(effective);
    const NumberSection first = parseSection(pattern, sections.at(0));

    // Sections: positive;negative;zero, chosen by the value itself. The
    // negative section shows no sign of its own; an empty section falls back
    // to the first one.
    const auto render = [&](int index, double v, bool& negative) -> QString {
        const NumberSection s = index == 0 ? first : parseSection(pattern, sections.at(index));
        negative = v < 0;
        const QString digits = s.hasPlaceholders ? formatDigits(v, s, negative) : QString();
        return s.prefix + digits + s.suffix;
    };
    bool negative = false;
    if (value < 0 && sections.size() >= 2 && !sections.at(1).isEmpty())
        return render(1, -value, negative);
    if (value == 0 && sections.size() >= 3 && !sections.at(2).isEmpty())
        return render(2, 0.0, negative);
    const QString text = render(0, value, negative);
    return negative ? QLatin1Char('-') + text : text;
}

QString vbFormatText(const QString& text, const QString& pattern)
{
    struct Slot {
        bool placeholder;
        bool blankWhenMissing; // "@" gives a blank, "&" nothing
        QString literal;
    };
    std::vector<Slot> parts;
    bool leftToRight = false;
    int caseMode = 0; // -1 lower, 1 upper
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i);
        QString literal;
        if (takeLiteral(pattern, i, literal)) {
            parts.push_back({false, false, literal});
            continue;
        }
        if (c == QLatin1Char('@') || c == QLatin1Char('&'))
            parts.push_back({true, c == QLatin1Char('@'), {}});
        else if (c == QLatin1Char('!'))
            leftToRight = true;
        else if (c == QLatin1Char('<'))
            caseMode = -1;
        else if (c == QLatin1Char('>'))
            caseMode = 1;
        else
            parts.push_back({false, false, QString(c)});
        ++i;
    }
    const QString source = caseMode < 0 ? text.toLower() : caseMode > 0 ? text.toUpper() : text;
    qsizetype placeholders = 0;
    for (const Slot& s : parts)
        placeholders += s.placeholder ? 1 : 0;
    if (placeholders == 0)
        return source + [&] {
            QString literals;
            for (const Slot& s : parts)
                literals += s.literal;
            return literals;
        }();

    // Assign characters to placeholders, then lay out in pattern order.
    std::vector<QString> filled(parts.size());
    QString extra;
    if (leftToRight) {
        qsizetype next = 0;
        for (size_t k = 0; k < parts.size(); ++k) {
            if (!parts[k].placeholder)
                continue;
            if (next < source.size())
                filled[k] = source.at(next++);
            else if (parts[k].blankWhenMissing)
                filled[k] = QStringLiteral(" ");
        }
        extra = source.mid(next);
    } else {
        qsizetype next = source.size() - 1;
        for (size_t k = parts.size(); k-- > 0;) {
            if (!parts[k].placeholder)
                continue;
            if (next >= 0)
                filled[k] = source.at(next--);
            else if (parts[k].blankWhenMissing)
                filled[k] = QStringLiteral(" ");
        }
        extra = source.left(next + 1);
    }
    QString out = leftToRight ? QString() : extra;
    for (size_t k = 0; k < parts.size(); ++k)
        out += parts[k].placeholder ? filled[k] : parts[k].literal;
    if (leftToRight)
        out += extra;
    return out;
}

QString vbFormatDateTime(const QDateTime& value, const QString& pattern)
{
    QString effective = pattern;
    if (pattern.compare(QLatin1String("Short Date"), Qt::CaseInsensitive) == 0)
        effective = QStringLiteral("yyyy/mm/dd");
    else if (pattern.compare(QLatin1String("Long Time"), Qt::CaseInsensitive) == 0)
        effective = QStringLiteral("h:mm:ss");
    else if (pattern.compare(QLatin1String("Short Time"), Qt::CaseInsensitive) == 0)
        effective = QStringLiteral("hh:mm");

    struct Token {
        QChar letter; // 0 for a literal
        int count;
        QString literal;
    };
    std::vector<Token> tokens;
    for (qsizetype i = 0; i < effective.size();) {
        const QChar c = effective.at(i);
        QString literal;
        if (takeLiteral(effective, i, literal)) {
            tokens.push_back({QChar(), 0, literal});
            continue;
        }
        if (!isAsciiLetter(c)) {
            tokens.push_back({QChar(), 0, QString(c)});
            ++i;
            continue;
        }
        const QChar letter = c.toLower();
        qsizetype j = i;
        while (j < effective.size() && effective.at(j).toLower() == letter)
            ++j;
        const int count = static_cast<int>(j - i);
        const bool known = (letter == QLatin1Char('y') && (count == 2 || count == 4))
            || (QStringLiteral("mdhns").contains(letter) && count <= 2);
        if (!known)
            unsupported(pattern, "unsupported date or time part");
        tokens.push_back({letter, count, {}});
        i = j;
    }

    const QDate date = value.date();
    const QTime time = value.time();
    const auto number = [](int v, int count) {
        return count >= 2 ? QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')) : QString::number(v);
    };
    QString out;
    QChar previousPart;
    for (size_t k = 0; k < tokens.size(); ++k) {
        const Token& t = tokens[k];
        if (t.letter.isNull()) {
            out += t.literal;
            continue;
        }
        const char16_t l = t.letter.unicode();
        if (l == u'y') {
            out += t.count == 4 ? QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'))
                                : QStringLiteral("%1").arg(date.year() % 100, 2, 10, QLatin1Char('0'));
        } else if (l == u'm') {
            // "m" right after an hour or right before a second means minutes.
            QChar nextPart;
            for (size_t n = k + 1; n < tokens.size(); ++n) {
                if (!tokens[n].letter.isNull()) {
                    nextPart = tokens[n].letter;
                    break;
                }
            }
            const bool minutes = previousPart == QLatin1Char('h') || nextPart == QLatin1Char('s');
            out += number(minutes ? time.minute() : date.month(), t.count);
        } else if (l == u'd') {
            out += number(date.day(), t.count);
        } else if (l == u'h') {
            out += number(time.hour(), t.count);
        } else if (l == u'n') {
            out += number(time.minute(), t.count);
        } else if (l == u's') {
            out += number(time.second(), t.count);
        }
        previousPart = t.letter;
    }
    return out;
}

} // namespace tq::common
