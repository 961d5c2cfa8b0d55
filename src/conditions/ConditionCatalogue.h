#pragma once
// The condition catalogue read from DEVovuved.ini: the condition items, the
// program-directory and database settings, the tables to link from each
// race-data database, the on-demand joins and the two name-pair tables.
// Filled once at start-up and read-only afterwards.

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace tq::conditions {

// One catalogue entry. `number` is stored in condition files, so it must stay
// stable between catalogue versions.
struct ConditionItem {
    qint16 number = 0;
    QString group;   // 情報種類
    QString name;    // 情報名: the identity of the item in documents and favourites
    QString key;     // SQL column expression(s); type 9 joins several with "&"
    qint16 type = 0; // input type 0-9
    QString data;    // type-dependent parameter
    QString range;   // default RangeSpec text for aggregation
    QString msg;     // help line of the condition editor
    // The value is only known once the race has been run (its result, final
    // odds, times). Fine for analysing past races; a favourite that picks
    // today's runners by it selects nothing or the wrong runners.
    bool knownAfterRace = false;
};

// A join added to a query when `table` appears in its column list or WHERE text.
struct JoinRule {
    QString table;
    QString link; // join text appended to the FROM text
    QString key;  // optional restriction template containing "@RKEY"
};

// A pair of texts: today's-table text and past-table text ([HENKAN]), or the
// current-run text and the previous-run text ([ZENSOU1]).
struct NamePair {
    QString first;
    QString second;
};

// The five race-data sources whose tables are linked into the application database.
enum class LinkSource { This, Data, Code, Keto, Hensa };

struct ConditionCatalogue {
    std::vector<ConditionItem> items;  // indexed 0..Count-1
    std::vector<qint16> order;         // item numbers in Name= order
    QStringList groups;                // distinct groups in order of first appearance
    QHash<QString, qint16> nameMap;    // item name -> item number

    // Settings from [DB].
    QString appDir;
    QString appDbPath;
    qint16 initFlag = 0;
    qint16 debugFlag = 0;
    int fontSize = 9;

    // 1-based lists in the file; stored 0-based here (entry XX at index XX-1).
    QStringList thisLinks, dataLinks, codeLinks, ketoLinks, hensaLinks;
    std::vector<JoinRule> joins;
    std::vector<NamePair> henkan;  // first = today's text, second = past text
    std::vector<NamePair> zensou;  // first = current run, second = previous run ("_1")

    const QStringList& links(LinkSource source) const;

    // The item with this name, or nullptr.
    const ConditionItem* itemByName(const QString& name) const;
    // Items of a group in display order.
    std::vector<const ConditionItem*> itemsOfGroup(const QString& group) const;
};

} // namespace tq::conditions
