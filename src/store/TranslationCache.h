#pragma once
// Inside the store layer only: the Jet translations of one connection, kept
// by the statement's shape, its text with every quoted text literal ('...')
// replaced by a placeholder. Per-row statements that differ only in such
// texts (the rows of one race, the partners of one horse) are translated once;
// later ones only bind their texts.
//
// A shape is reused only when its translation does not depend on the texts:
// every placeholder must come back as a bound value (never written into the
// SQLite text, as the texts of select lists and function arguments are), and
// a second translation with placeholders in the opposite order must give the
// same statement (Between orders its bounds by their values). Other shapes
// are remembered as such and translated afresh every time.
//
// Bounded: the least recently used shapes beyond kCapacity are dropped.
// Not thread-safe (one per connection).

#include "store/JetTranslator.h"

#include <QHash>
#include <QString>

#include <list>
#include <vector>

namespace tq::store::detail {

class TranslationCache final {
public:
    // The parameterised translation of `jetSql`, as translateJetParameterized
    // gives it. Throws DbError as that does.
    ParameterizedSql translate(const QString& jetSql, const StopCheck& stop);

    int size() const { return int(m_lru.size()); }
    static constexpr int kCapacity = 256;

private:
    struct Shape {
        QString key;
        bool reusable = false;
        QString sql;
        QVariantList literals;  // bound values, placeholders included
        std::vector<int> textOf; // per bound value: the text it takes, or -1
    };
    using Entries = std::list<Shape>;

    const Shape& remember(Shape shape);

    Entries m_lru; // front = most recently used
    QHash<QString, Entries::iterator> m_index;
};

} // namespace tq::store::detail
