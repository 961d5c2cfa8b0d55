#include "store/JetLexer.h"

#include "store/DbError.h"

#include <QDate>

#include <algorithm>
#include <iterator>
#include <cstring>

namespace tq::store::jet {

namespace {

struct KwEntry {
    const char* name;
    Kw kw;
};

// Sorted by name (ASCII upper case) for binary search.
constexpr KwEntry kKeywords[] = {
    {"ADD", Kw::Add}, {"ALL", Kw::All}, {"ALTER", Kw::Alter}, {"AND", Kw::And},
    {"ANY", Kw::Any}, {"AS", Kw::As}, {"ASC", Kw::Asc}, {"BETWEEN", Kw::Between},
    {"BY", Kw::By}, {"COLUMN", Kw::Column}, {"COMP", Kw::Comp},
    {"COMPRESSION", Kw::Compression}, {"CONSTRAINT", Kw::Constraint},
    {"CREATE", Kw::Create}, {"DATABASE", Kw::Database}, {"DEFAULT", Kw::Default},
    {"DELETE", Kw::Delete}, {"DESC", Kw::Desc}, {"DISALLOW", Kw::Disallow},
    {"DISTINCT", Kw::Distinct}, {"DISTINCTROW", Kw::Distinctrow}, {"DROP", Kw::Drop},
    {"EQV", Kw::Eqv}, {"ESCAPE", Kw::Escape}, {"EXISTS", Kw::Exists},
    {"FALSE", Kw::False}, {"FOREIGN", Kw::Foreign}, {"FROM", Kw::From},
    {"FULL", Kw::Full}, {"GROUP", Kw::Group}, {"HAVING", Kw::Having},
    {"IGNORE", Kw::Ignore}, {"IMP", Kw::Imp}, {"IN", Kw::In}, {"INDEX", Kw::Index},
    {"INNER", Kw::Inner}, {"INSERT", Kw::Insert}, {"INTO", Kw::Into}, {"IS", Kw::Is},
    {"JOIN", Kw::Join}, {"KEY", Kw::Key}, {"LEFT", Kw::Left}, {"LIKE", Kw::Like},
    {"MOD", Kw::Mod}, {"NO", Kw::No}, {"NOT", Kw::Not}, {"NULL", Kw::Null},
    {"ON", Kw::On}, {"OR", Kw::Or}, {"ORDER", Kw::Order}, {"OUTER", Kw::Outer},
    {"PARAMETERS", Kw::Parameters}, {"PERCENT", Kw::Percent}, {"PIVOT", Kw::Pivot},
    {"PRIMARY", Kw::Primary}, {"PROCEDURE", Kw::Procedure},
    {"REFERENCES", Kw::References}, {"RIGHT", Kw::Right}, {"SELECT", Kw::Select},
    {"SET", Kw::Set}, {"SOME", Kw::Some}, {"TABLE", Kw::Table},
    {"TEMPORARY", Kw::Temporary}, {"TOP", Kw::Top}, {"TRANSFORM", Kw::Transform},
    {"TRUE", Kw::True}, {"UNION", Kw::Union}, {"UNIQUE", Kw::Unique},
    {"UPDATE", Kw::Update}, {"VALUES", Kw::Values}, {"VIEW", Kw::View},
    {"WHERE", Kw::Where}, {"WITH", Kw::With}, {"XOR", Kw::Xor},
};

constexpr bool keywordsSorted()
{
    for (size_t k = 1; k < std::size(kKeywords); ++k) {
        const char* a = kKeywords[k - 1].name;
        const char* b = kKeywords[k].name;
        while (*a && *a == *b) {
            ++a;
            ++b;
        }
        if (static_cast<unsigned char>(*a) >= static_cast<unsigned char>(*b))
            return false;
    }
    return true;
}
static_assert(keywordsSorted(), "keyword table must be sorted for binary search");

Kw keywordOf(QStringView word)
{
    if (word.size() > 15)
        return Kw::None;
    char buf[16];
    for (qsizetype i = 0; i < word.size(); ++i) {
        const char16_t c = word[i].unicode();
        if (c >= 0x80)
            return Kw::None;
        buf[i] = (c >= 'a' && c <= 'z') ? char(c - 32) : char(c);
    }
    buf[word.size()] = 0;
    const auto it = std::lower_bound(std::begin(kKeywords), std::end(kKeywords), buf,
                                     [](const KwEntry& e, const char* key) { return std::strcmp(e.name, key) < 0; });
    if (it != std::end(kKeywords) && std::strcmp(it->name, buf) == 0)
        return it->kw;
    return Kw::None;
}

bool isBlank(char16_t c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool isDigit(char16_t c)
{
    return c >= '0' && c <= '9';
}

bool isWordChar(char16_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c) || c == '_' || c >= 0x80;
}

[[noreturn]] void reject(const QString& message, const QString& text)
{
    throw DbError(0, message, text);
}

} // namespace

std::vector<Token> tokenize(const QString& text)
{
    std::vector<Token> out;
    out.reserve(size_t(text.size() / 4 + 8));
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    const int n = int(text.size());
    int i = 0;
    while (true) {
        Token t;
        t.lead = i;
        while (i < n && isBlank(s[i]))
            ++i;
        t.start = i;
        if (i >= n) {
            t.kind = Tok::End;
            t.end = i;
            out.push_back(t);
            return out;
        }
        const char16_t c = s[i];
        if (c == '\'' || c == '"') {
            t.kind = c == '"' ? Tok::DqString : Tok::SqString;
            ++i;
            while (true) {
                if (i >= n)
                    reject(QStringLiteral("Unterminated string literal in SQL statement"), text);
                if (s[i] == c) {
                    if (i + 1 < n && s[i + 1] == c) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
        } else if (c == '[') {
            t.kind = Tok::Bracket;
            while (i < n && s[i] != ']')
                ++i;
            if (i >= n)
                reject(QStringLiteral("Unterminated [name] in SQL statement"), text);
            ++i;
        } else if (c == '`') {
            t.kind = Tok::Backtick;
            ++i;
            while (i < n && s[i] != '`')
                ++i;
            if (i >= n)
                reject(QStringLiteral("Unterminated `name` in SQL statement"), text);
            ++i;
        } else if (c == '#') {
            t.kind = Tok::Date;
            ++i;
            while (i < n && s[i] != '#' && s[i] != '\n')
                ++i;
            if (i >= n || s[i] != '#')
                reject(QStringLiteral("Unterminated #date# literal in SQL statement"), text);
            ++i;
        } else if (isDigit(c) || (c == '.' && i + 1 < n && isDigit(s[i + 1]))) {
            t.kind = Tok::Number;
            while (i < n && isDigit(s[i]))
                ++i;
            if (i < n && s[i] == '.') {
                ++i;
                while (i < n && isDigit(s[i]))
                    ++i;
            }
            if (i < n && (s[i] == 'e' || s[i] == 'E')) {
                int j = i + 1;
                if (j < n && (s[j] == '+' || s[j] == '-'))
                    ++j;
                if (j < n && isDigit(s[j])) {
                    i = j;
                    while (i < n && isDigit(s[i]))
                        ++i;
                }
            }
        } else if (isWordChar(c)) {
            t.kind = Tok::Word;
            while (i < n && isWordChar(s[i]))
                ++i;
            // VBA's string-returning variants (Mid$, Left$ ...).
            if (i < n && s[i] == '$' && (i + 1 >= n || !isWordChar(s[i + 1])))
                ++i;
            t.end = i;
            t.kw = keywordOf(QStringView(text).mid(t.start, t.end - t.start));
        } else {
            t.kind = Tok::Punct;
            switch (c) {
            case '<':
                ++i;
                if (i < n && (s[i] == '>' || s[i] == '='))
                    ++i;
                break;
            case '>':
                ++i;
                if (i < n && s[i] == '=')
                    ++i;
                break;
            case '(': case ')': case ',': case '.': case ';': case '*': case '/':
            case '\\': case '+': case '-': case '&': case '^': case '=':
                ++i;
                break;
            case '?': case ':': case '@': case '$':
                reject(QStringLiteral("Parameter markers are not allowed in SQL statements: ")
                           + QStringView(text).mid(i, std::min(20, n - i)),
                       text);
            default:
                reject(QStringLiteral("Unexpected character '%1' in SQL statement").arg(QChar(c)), text);
            }
        }
        t.end = i;
        out.push_back(t);
    }
}

QString stringValue(const QString& src, const Token& t)
{
    const QChar q = src[t.start];
    QStringView inner = QStringView(src).mid(t.start + 1, t.end - t.start - 2);
    QString v;
    v.reserve(inner.size());
    for (qsizetype i = 0; i < inner.size(); ++i) {
        v += inner[i];
        if (inner[i] == q)
            ++i; // doubled quote
    }
    return v;
}

QString sqliteStringLiteral(QStringView value)
{
    QString out;
    out.reserve(value.size() + 2);
    out += QLatin1Char('\'');
    for (const QChar c : value) {
        out += c;
        if (c == QLatin1Char('\''))
            out += c;
    }
    out += QLatin1Char('\'');
    return out;
}

namespace {

// Reads up to `maxDigits` digits; returns -1 when there is none.
int readNumber(QStringView s, qsizetype& i, int maxDigits, int* digits)
{
    int v = 0;
    int k = 0;
    while (i < s.size() && k < maxDigits && s[i].unicode() >= '0' && s[i].unicode() <= '9') {
        v = v * 10 + (s[i].unicode() - '0');
        ++i;
        ++k;
    }
    if (digits)
        *digits = k;
    return k == 0 ? -1 : v;
}

void skipBlanks(QStringView s, qsizetype& i)
{
    while (i < s.size() && s[i] == QLatin1Char(' '))
        ++i;
}

} // namespace

bool parseJetDate(QStringView inside, double* serial)
{
    const QStringView s = inside.trimmed();
    qsizetype i = 0;
    int day = 0;
    bool hasDate = false;
    int a = 0, b = 0, c = 0;
    int da = 0, dc = 0;
    // Date part: three numbers separated by "/" or "-", if the text has one.
    {
        qsizetype j = i;
        a = readNumber(s, j, 4, &da);
        if (a >= 0 && j < s.size() && (s[j] == QLatin1Char('/') || s[j] == QLatin1Char('-'))) {
            const QChar sep = s[j];
            ++j;
            b = readNumber(s, j, 2, nullptr);
            if (b < 0 || j >= s.size() || s[j] != sep)
                return false;
            ++j;
            c = readNumber(s, j, 4, &dc);
            if (c < 0)
                return false;
            int year, month, dayOfMonth;
            if (da > 2) { // year first
                year = a;
                month = b;
                dayOfMonth = c;
            } else {
                month = a;
                dayOfMonth = b;
                year = c;
                if (dc <= 2)
                    year += year < 30 ? 2000 : 1900;
            }
            const QDate d(year, month, dayOfMonth);
            if (!d.isValid())
                return false;
            day = int(QDate(1899, 12, 30).daysTo(d));
            hasDate = true;
            i = j;
        }
    }
    skipBlanks(s, i);
    double fraction = 0;
    if (i < s.size()) {
        int h = readNumber(s, i, 2, nullptr);
        if (h < 0 || i >= s.size() || s[i] != QLatin1Char(':'))
            return false;
        ++i;
        const int m = readNumber(s, i, 2, nullptr);
        if (m < 0 || m > 59)
            return false;
        int sec = 0;
        if (i < s.size() && s[i] == QLatin1Char(':')) {
            ++i;
            sec = readNumber(s, i, 2, nullptr);
            if (sec < 0 || sec > 59)
                return false;
        }
        skipBlanks(s, i);
        if (i < s.size()) {
            const QStringView ampm = s.mid(i);
            const bool pm = ampm.compare(u"PM", Qt::CaseInsensitive) == 0;
            if (!pm && ampm.compare(u"AM", Qt::CaseInsensitive) != 0)
                return false;
            if (h < 1 || h > 12)
                return false;
            h = (h % 12) + (pm ? 12 : 0);
        }
        if (h > 23)
            return false;
        fraction = (h * 3600 + m * 60 + sec) / 86400.0;
    } else if (!hasDate) {
        return false;
    }
    // Before the base date the time still counts forward from midnight, so
    // the fraction is subtracted from the negative day number.
    *serial = day < 0 ? day - fraction : day + fraction;
    return true;
}

} // namespace tq::store::jet
