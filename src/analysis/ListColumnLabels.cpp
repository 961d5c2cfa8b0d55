#include "analysis/ListColumnLabels.h"

#include "analysis/Sheet.h"
#include "store/Recordset.h"

#include <cstring>

namespace tq::analysis {

namespace {

void appendBytes(std::string& key, const auto& number)
{
    char bytes[sizeof number];
    std::memcpy(bytes, &number, sizeof number);
    key.append(bytes, sizeof number);
}

} // namespace

ListColumnLabels::ListColumnLabels(const conditions::ConditionCatalogue& catalogue, const QString& itemName,
                                   store::Database* appDb, common::ErrorLog* log)
    : m_labeller(catalogue, itemName, QString(), appDb, log)
{
}

void ListColumnLabels::writeText(Sheet& list, int row, int column, const store::Row& rs, int index)
{
    if (index >= 0 && m_labeller.keepsRawText()) {
        const store::Field f = rs.field(index);
        if (f.kind() == store::Value::Kind::Text) {
            list.setTextUtf8(row, column, f.utf8());
            return;
        }
    }
    list.setText(row, column, label(rs, index).text);
}

void ListColumnLabels::writeInteger(Sheet& list, int row, int column, const store::Row& rs, int index)
{
    const Label& l = label(rs, index);
    if (l.isInteger)
        list.setInteger(row, column, l.integer);
    else if (!l.text.isEmpty())
        list.setStaticText(row, column, l.text);
}

const ListColumnLabels::Label& ListColumnLabels::label(const store::Row& rs, int index)
{
    using Kind = store::Value::Kind;
    if (index < 0) {
        m_key.assign(1, char('0' + int(Kind::Null)));
        const Label* found = find();
        return found ? *found : remembered(store::Value());
    }
    const store::Field f = rs.field(index);
    const Kind kind = f.kind();
    qint64 small = -1; // a small whole number, looked up by position
    m_key.assign(1, char('0' + int(kind)));
    switch (kind) {
    case Kind::Integer: {
        const qint64 v = f.toInt();
        if (v >= 0 && v < qint64(m_small.size())) {
            small = v;
            if (const Label* known = m_small[std::size_t(v)])
                return *known;
        }
        appendBytes(m_key, v);
        break;
    }
    case Kind::Real:
        appendBytes(m_key, f.toDouble());
        break;
    case Kind::Text: {
        const QByteArrayView text = f.utf8();
        m_key.append(text.data(), std::size_t(text.size()));
        break;
    }
    case Kind::Null:
        break;
    }
    const Label* found = find();
    const Label& made = found ? *found : remembered(f.value());
    if (small >= 0 && &made != &m_once)
        m_small[std::size_t(small)] = &made;
    return made;
}

void ListColumnLabels::writeTextOf(Sheet& list, int row, int column, QByteArrayView utf8)
{
    if (m_labeller.keepsRawText())
        list.setTextUtf8(row, column, utf8);
    else
        list.setText(row, column, textLabel(utf8).text);
}

const ListColumnLabels::Label& ListColumnLabels::textLabel(QByteArrayView utf8)
{
    m_key.assign(1, char('0' + int(store::Value::Kind::Text)));
    m_key.append(utf8.data(), std::size_t(utf8.size()));
    if (const Label* found = find())
        return *found;
    return remembered(store::Value(QString::fromUtf8(utf8)));
}

const ListColumnLabels::Label* ListColumnLabels::find()
{
    if (m_last && m_key == m_lastKey)
        return m_last;
    const auto it = m_remembered.find(m_key);
    if (it == m_remembered.end())
        return nullptr;
    m_lastKey = m_key;
    return m_last = &it->second;
}

const ListColumnLabels::Label& ListColumnLabels::remembered(const store::Value& value)
{
    Label made;
    made.text = m_labeller.label(value, true);
    made.integer = made.text.toLongLong(&made.isInteger);
    m_lastKey = m_key;
    if (m_remembered.size() >= kMaxRemembered) {
        m_once = std::move(made);
        return *(m_last = &m_once);
    }
    return *(m_last = &m_remembered.emplace(m_key, std::move(made)).first->second);
}

} // namespace tq::analysis
