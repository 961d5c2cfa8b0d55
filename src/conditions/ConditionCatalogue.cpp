#include "conditions/ConditionCatalogue.h"

namespace tq::conditions {

const QStringList& ConditionCatalogue::links(LinkSource source) const
{
    switch (source) {
    case LinkSource::This: return thisLinks;
    case LinkSource::Data: return dataLinks;
    case LinkSource::Code: return codeLinks;
    case LinkSource::Keto: return ketoLinks;
    case LinkSource::Hensa: return hensaLinks;
    }
    return thisLinks;
}

const ConditionItem* ConditionCatalogue::itemByName(const QString& name) const
{
    const auto it = nameMap.constFind(name);
    if (it == nameMap.constEnd())
        return nullptr;
    return &items[static_cast<size_t>(*it)];
}

std::vector<const ConditionItem*> ConditionCatalogue::itemsOfGroup(const QString& group) const
{
    std::vector<const ConditionItem*> result;
    for (qint16 number : order) {
        if (number < 0)
            continue;
        const ConditionItem& item = items[static_cast<size_t>(number)];
        if (item.group == group)
            result.push_back(&item);
    }
    return result;
}

} // namespace tq::conditions
