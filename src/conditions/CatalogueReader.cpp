#include "conditions/CatalogueReader.h"

#include "common/ErrorLog.h"
#include "common/TextFile.h"
#include "conditions/ConditionSet.h"

#include <QDir>

#include <algorithm>
#include <cmath>

namespace tq::conditions {

CatalogueError::CatalogueError(int lineNumber, const QString& message)
    : std::runtime_error(QStringLiteral("line %1: %2").arg(lineNumber).arg(message).toStdString()),
      m_lineNumber(lineNumber)
{
}

namespace {

enum class Section { None, Jouken, Db, This, Data, Code, Keto, Hensa, Join, Henkan, Zensou };

struct Header {
    const char16_t* text;
    Section section;
};

// Tested in this order; a line that starts with a header switches the section.
constexpr Header kHeaders[] = {
    {u"[JOUKEN]", Section::Jouken}, {u"[DB]", Section::Db},         {u"[ThisMDB]", Section::This},
    {u"[DataMDB]", Section::Data},  {u"[CodeMDB]", Section::Code},  {u"[KetoMDB]", Section::Keto},
    {u"[HensaMDB]", Section::Hensa}, {u"[JOIN]", Section::Join},    {u"[HENKAN]", Section::Henkan},
    {u"[ZENSOU1]", Section::Zensou},
};

struct Fault {
    QString message;
};

// The integer conversion of the catalogue's numbers: blanks around the digits
// are allowed, a fraction rounds half to even, anything else is a fault.
int toInteger(const QString& text, const char* what)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || std::fabs(value) > 32767.0)
        throw Fault{QStringLiteral("%1 is not an integer: \"%2\"").arg(QLatin1String(what), text)};
    return static_cast<int>(std::nearbyint(value));
}

// Resizes a list to `n` entries keeping the existing ones (n >= 1 only).
template <typename List, typename Value>
void resizeKeeping(List& list, int n, const Value& empty)
{
    if (n < 1)
        return;
    while (list.size() > n)
        list.removeLast();
    while (list.size() < n)
        list.append(empty);
}

template <typename T>
void resizeKeeping(std::vector<T>& list, int n)
{
    if (n >= 1)
        list.resize(static_cast<size_t>(n));
}

class Parser {
public:
    explicit Parser(ConditionCatalogue& catalogue) : m_cat(catalogue) {}

    void line(const QString& text)
    {
        for (const Header& header : kHeaders) {
            if (text.startsWith(QStringView(header.text))) {
                m_section = header.section;
                return;
            }
        }
        switch (m_section) {
        case Section::None: return;
        case Section::Jouken: return jouken(text);
        case Section::Db: return db(text);
        case Section::This: return linkList(text, m_cat.thisLinks);
        case Section::Data: return linkList(text, m_cat.dataLinks);
        case Section::Code: return linkList(text, m_cat.codeLinks);
        case Section::Keto: return linkList(text, m_cat.ketoLinks);
        case Section::Hensa: return linkList(text, m_cat.hensaLinks);
        case Section::Join: return join(text);
        case Section::Henkan: return pairs(text, m_cat.henkan, u"This", u"Data");
        case Section::Zensou: return pairs(text, m_cat.zensou, u"Kon", u"Zen");
        }
    }

private:
    static bool take(const QString& text, QStringView key, QString& rest)
    {
        if (!text.startsWith(key))
            return false;
        rest = text.mid(key.size());
        return true;
    }

    ConditionItem& currentItem()
    {
        if (m_item < 0 || static_cast<size_t>(m_item) >= m_cat.items.size())
            throw Fault{QStringLiteral("item number %1 is outside the item table").arg(m_item)};
        return m_cat.items[static_cast<size_t>(m_item)];
    }

    void jouken(const QString& text)
    {
        QString rest;
        if (take(text, u"Count=", rest)) {
            const int n = toInteger(rest, "Count");
            if (n >= 1) {
                m_cat.items.resize(static_cast<size_t>(n));
                m_cat.order.resize(static_cast<size_t>(n), -1);
                for (int i = 0; i < n; ++i)
                    m_cat.items[static_cast<size_t>(i)].number = static_cast<qint16>(i);
            }
        } else if (take(text, u"[J", rest)) {
            m_item = toInteger(rest.left(3), "item number");
        } else if (take(text, u"Group=", rest)) {
            currentItem().group = rest;
            if (!m_cat.groups.contains(rest))
                m_cat.groups.append(rest);
        } else if (take(text, u"Name=", rest)) {
            currentItem().name = rest;
            if (static_cast<size_t>(m_position) >= m_cat.order.size())
                throw Fault{QStringLiteral("more named items than Count")};
            m_cat.order[static_cast<size_t>(m_position)] = static_cast<qint16>(m_item);
            ++m_position;
            if (m_cat.nameMap.contains(rest))
                throw Fault{QStringLiteral("the item name \"%1\" is used twice").arg(rest)};
            m_cat.nameMap.insert(rest, static_cast<qint16>(m_item));
        } else if (take(text, u"Key=", rest)) {
            currentItem().key = rest;
        } else if (take(text, u"Type=", rest)) {
            currentItem().type = static_cast<qint16>(toInteger(rest, "Type"));
        } else if (take(text, u"Data=", rest)) {
            currentItem().data = rest;
        } else if (take(text, u"Range=", rest)) {
            const QString problem = rangeSpecProblem(rest);
            if (!problem.isEmpty())
                throw Fault{QStringLiteral("Range=%1: %2").arg(rest, problem)};
            currentItem().range = rest;
        } else if (take(text, u"Msg=", rest)) {
            currentItem().msg = rest;
        } else if (take(text, u"Known=", rest)) {
            currentItem().knownAfterRace = knownAfterRace(rest);
        }
    }

    // Known=before (the default when the key is absent) or Known=after.
    static bool knownAfterRace(const QString& value)
    {
        if (value == QLatin1String("after"))
            return true;
        if (value == QLatin1String("before"))
            return false;
        throw Fault{QStringLiteral("Known=%1: the value must be \"before\" or \"after\"").arg(value)};
    }

    void db(const QString& text)
    {
        QString rest;
        if (take(text, u"DbName=", rest)) {
            m_cat.appDbPath = isAbsolute(rest) ? rest : m_cat.appDir + QLatin1Char('/') + rest;
        } else if (take(text, u"INIT=", rest)) {
            m_cat.initFlag = 1;
        } else if (take(text, u"DEBUG=", rest)) {
            m_cat.debugFlag = static_cast<qint16>(toInteger(rest, "DEBUG"));
        } else if (take(text, u"FontSize=", rest)) {
            m_cat.fontSize = toInteger(rest, "FontSize");
        } else if (take(text, u"PATH=", rest)) {
            if (m_cat.debugFlag == 1)
                m_cat.appDir = rest;
        }
    }

    // A Windows path with a drive letter, or an absolute path here.
    static bool isAbsolute(const QString& path)
    {
        return path.contains(QLatin1Char(':')) || path.startsWith(QLatin1Char('/'));
    }

    // Entry number of an indexed key: exactly `digits` characters after the
    // key's letters, then the value after the "=" that follows them.
    static int entryNumber(const QString& rest, int digits, QString& value)
    {
        const int n = toInteger(rest.left(digits), "entry number");
        value = rest.mid(digits + 1);
        return n;
    }

    template <typename Size>
    static void checkEntry(int n, Size size)
    {
        if (n < 1 || n > static_cast<int>(size))
            throw Fault{QStringLiteral("entry number %1 is outside the list (Count %2)").arg(n).arg(size)};
    }

    void linkList(const QString& text, QStringList& list)
    {
        QString rest;
        if (take(text, u"Count=", rest)) {
            resizeKeeping(list, toInteger(rest, "Count"), QString());
        } else if (take(text, u"Link", rest)) {
            QString value;
            const int n = entryNumber(rest, 2, value);
            checkEntry(n, list.size());
            list[n - 1] = value;
        }
    }

    void join(const QString& text)
    {
        QString rest;
        if (take(text, u"Count=", rest)) {
            resizeKeeping(m_cat.joins, toInteger(rest, "Count"));
            return;
        }
        QString JoinRule::*field = nullptr;
        if (take(text, u"Table", rest))
            field = &JoinRule::table;
        else if (take(text, u"Link", rest))
            field = &JoinRule::link;
        else if (take(text, u"Key", rest))
            field = &JoinRule::key;
        else
            return;
        QString value;
        const int n = entryNumber(rest, 3, value);
        checkEntry(n, m_cat.joins.size());
        m_cat.joins[static_cast<size_t>(n - 1)].*field = value;
    }

    void pairs(const QString& text, std::vector<NamePair>& list, QStringView firstKey, QStringView secondKey)
    {
        QString rest;
        if (take(text, u"Count=", rest)) {
            resizeKeeping(list, toInteger(rest, "Count"));
            return;
        }
        QString NamePair::*field = nullptr;
        if (take(text, firstKey, rest))
            field = &NamePair::first;
        else if (take(text, secondKey, rest))
            field = &NamePair::second;
        else
            return;
        QString value;
        const int n = entryNumber(rest, 2, value);
        checkEntry(n, list.size());
        list[static_cast<size_t>(n - 1)].*field = value;
    }

    ConditionCatalogue& m_cat;
    Section m_section = Section::None;
    int m_item = 0;
    int m_position = 0;
};

} // namespace

void parseCatalogueLines(const QStringList& lines, ConditionCatalogue& catalogue)
{
    Parser parser(catalogue);
    for (int i = 0; i < lines.size(); ++i) {
        try {
            parser.line(lines.at(i));
        } catch (const Fault& fault) {
            throw CatalogueError(i + 1, fault.message);
        }
    }
}

QStringList catalogueGaps(const QStringList& lines, const ConditionCatalogue& catalogue)
{
    QStringList gaps;
    for (const Header& header : kHeaders) {
        const QString name = QString::fromUtf16(header.text);
        const bool present = std::any_of(lines.begin(), lines.end(),
                                         [&](const QString& line) { return line.startsWith(name); });
        if (!present)
            gaps << QStringLiteral("セクション ") + name + QStringLiteral(" がありません");
    }
    if (catalogue.appDbPath.isEmpty())
        gaps << QStringLiteral("[DB] に DbName がありません");
    if (catalogue.items.empty() || std::count(catalogue.order.begin(), catalogue.order.end(), qint16(-1)) > 0)
        gaps << QStringLiteral("[JOUKEN] の項目が Count より少なくなっています");
    const std::pair<const char16_t*, const QStringList*> linkLists[] = {
        {u"[ThisMDB]", &catalogue.thisLinks}, {u"[DataMDB]", &catalogue.dataLinks},
        {u"[CodeMDB]", &catalogue.codeLinks}, {u"[KetoMDB]", &catalogue.ketoLinks},
        {u"[HensaMDB]", &catalogue.hensaLinks},
    };
    auto shortList = [&gaps](const char16_t* section) {
        gaps << QString::fromUtf16(section) + QStringLiteral(" の項目が Count より少なくなっています");
    };
    for (const auto& [section, list] : linkLists)
        if (list->contains(QString()))
            shortList(section);
    if (std::any_of(catalogue.joins.begin(), catalogue.joins.end(),
                    [](const JoinRule& rule) { return rule.table.isEmpty() || rule.link.isEmpty(); }))
        shortList(u"[JOIN]");
    const std::pair<const char16_t*, const std::vector<NamePair>*> pairLists[] = {
        {u"[HENKAN]", &catalogue.henkan}, {u"[ZENSOU1]", &catalogue.zensou}};
    for (const auto& [section, list] : pairLists)
        if (std::any_of(list->begin(), list->end(),
                        [](const NamePair& pair) { return pair.first.isEmpty() || pair.second.isEmpty(); }))
            shortList(section);
    return gaps;
}

ConditionCatalogue subIniGetAll(const QString& appDir, common::ErrorLog& log)
{
    ConditionCatalogue catalogue;
    catalogue.appDir = appDir;
    const QString path = QDir(appDir).filePath(QStringLiteral("DEVovuved.ini"));
    try {
        parseCatalogueLines(common::readTextLines(path), catalogue);
    } catch (const std::exception& e) {
        log.report({0, QStringLiteral("%1: %2").arg(path, QString::fromUtf8(e.what())), {}},
                   QStringLiteral("subIniGetAll"));
    }
    return catalogue;
}

} // namespace tq::conditions
