#pragma once
// The groups of a bet-type run: per group the tallies of its five lines
// (馬連, ワイド, 馬単 1着/2着, ３連複), kept in the order the groups were first
// met, and their report into the result grid.

#include "bettypes/Tally.h"
#include "store/Value.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <vector>

namespace tq::analysis {
class Sheet;
}
namespace tq::context {
class AppContext;
}

namespace tq::bettypes {

enum LineIndex : int { kUmarenLine, kWideLine, kExacta1Line, kExacta2Line, kTrioLine, kLineCount };

// The five tallies of one group.
struct Group {
    std::array<clsUmaren, kLineCount> t;
};

// A group key with the raw values and labels of its levels.
struct RowGroup {
    QString key;
    std::vector<store::Value> values;
    QStringList labels;
};

// The groups of a run in the order they were first met. Keys compare
// exactly: labels are joined with a separator no label holds, so "1"+"12"
// and "11"+"2" stay two groups.
class Groups final {
  public:
    Group& get(const RowGroup& g, int k)
    {
        if (const auto it = m_index.constFind(g.key); it != m_index.cend())
            return *m_order[std::size_t(*it)];
        auto group = std::make_unique<Group>();
        for (clsUmaren& t : group->t) {
            t.KeyData = g.key;
            t.UmaDataSet(k, g.values, g.labels);
        }
        m_index.insert(g.key, int(m_order.size()));
        m_order.push_back(std::move(group));
        return *m_order.back();
    }
    const std::vector<std::unique_ptr<Group>>& inOrder() const { return m_order; }

  private:
    QHash<QString, int> m_index;
    std::vector<std::unique_ptr<Group>> m_order;
};

// The lines of every group into the result grid, then sorted.
void writeReport(context::AppContext& ctx, analysis::Sheet& grid, const Groups& groups, int kind, int k,
                 const QStringList& keyTexts);

} // namespace tq::bettypes
