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

void ListColumnLabels::writeText(Sheet& list, int row, int column, const store::Recordset& rs, int index)
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

void ListColumnLabels::writeInteger(Sheet& list, int row, int column, const store::Recordset& rs, int index)
{
    const Label& l = label(rs, index);
    if (l.isInteger)
        list.setInteger(row, column, l.integer);
    else if (!l.text.isEmpty())
        list.setStaticText(row, column, l.text);
}

const ListColumnLabels::Label& ListColumnLabels::label(const store::Recordset& rs, int index)
{
    using Kind = store::Value::Kind;
    const Kind kind = index < 0 ? Kind::Null : rs.field(index).kind();
    m_key.assign(1, char('0' + int(kind)));
    switch (kind) {
    case Kind::Integer:
        appendBytes(m_key, rs.field(index).toInt());
        break;
    case Kind::Real:
        appendBytes(m_key, rs.field(index).toDouble());
        break;
    case Kind::Text: {
        const QByteArrayView text = rs.field(index).utf8();
        m_key.append(text.data(), std::size_t(text.size()));
        break;
    }
    case Kind::Null:
        break;
    }
    if (const Label* found = find())
        return *found;
    return remembered(index < 0 ? store::Value() : rs.value(index));
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
