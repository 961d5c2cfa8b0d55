#pragma once
// Catalogue items for tests that build a small catalogue by hand.

#include "conditions/ConditionCatalogue.h"

namespace tq::support {

// Appends an item as the catalogue reader does: numbered by its place, found
// by name, shown in the order added. Returns it, for the fields a test sets
// besides these.
inline conditions::ConditionItem& addCatalogueItem(conditions::ConditionCatalogue& cat, const QString& name,
                                                   const QString& key = {}, qint16 type = 0,
                                                   const QString& data = {})
{
    conditions::ConditionItem item;
    item.number = qint16(cat.items.size());
    item.name = name;
    item.key = key;
    item.type = type;
    item.data = data;
    cat.nameMap.insert(name, item.number);
    cat.order.push_back(item.number);
    cat.items.push_back(item);
    return cat.items.back();
}

} // namespace tq::support
