#pragma once
// Hand-made races for the bet-type tests: the four race tables with every
// column the bet-type statements read, the favourites table, and helpers to
// add a race with its runners and combination payouts. A runner carries a
// mark (印) that favourites and extended conditions select on.

#include "conditions/ConditionCatalogue.h"
#include "conditions/ConditionSet.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "store/Database.h"

#include <QString>
#include <QTemporaryDir>

#include <map>
#include <vector>

namespace tq::support {

inline QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

struct Runner {
    QString number; // 馬番 ("03")
    QString frame;  // 枠番
    int finish = 0; // 0: Null
    QString mark;   // 印
    QString abnormal = QStringLiteral("0");
};

// Payout paid of one bet: code and payout, in slot order. An empty map
// entry leaves every slot Null.
using Slots = std::vector<std::pair<QString, int>>;
struct Payouts {
    Slots frame, quinella, wide, exacta, trio;
};

// Every bet sold, paid for the first three of `runners` by finish.
Payouts payoutsFor(const std::vector<Runner>& runners, int base = 500);

class BetFixture {
  public:
    BetFixture();

    void addRace(const QString& raceKey, const std::vector<Runner>& runners, const Payouts& payouts,
                 int distance = 1600);
    void addFavourite(const QString& name, const QString& group, const QString& where);
    // A catalogue item whose values are their own labels, such as 印
    // (D競走馬データ.印).
    void addItem(const QString& name, const QString& key);

    QTemporaryDir dir;
    context::ScriptedPrompter prompter;
    context::SilentBusy busy;
    context::AppContext ctx{prompter, busy};
};

// An extended condition row with free SQL.
conditions::ConditionRow extendedRow(const QString& sql);

} // namespace tq::support
