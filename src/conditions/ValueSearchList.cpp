#include "conditions/ValueSearchList.h"

#include "store/Database.h"

#include <QRegularExpression>

#include <algorithm>

namespace tq::conditions {

namespace {

const QString kStatusHeader = QStringLiteral("登録");
const QString kStruckOff = QStringLiteral("抹消");

bool isSelectStatement(const QString& source)
{
    static const QRegularExpression select(QStringLiteral("^\\s*select\\b"), QRegularExpression::CaseInsensitiveOption);
    return select.match(source).hasMatch();
}

// Sort rank of a cell's kind: numbers, then texts, then empty cells.
int rank(const store::Value& v)
{
    switch (v.kind()) {
    case store::Value::Kind::Integer:
    case store::Value::Kind::Real:
        return 0;
    case store::Value::Kind::Text:
        return 1;
    case store::Value::Kind::Null:
        break;
    }
    return 2;
}

// <0, 0, >0 as a comes before, ties with, or comes after b in ascending order.
int compareCells(const store::Value& a, const store::Value& b)
{
    const int ra = rank(a);
    const int rb = rank(b);
    if (ra != rb)
        return ra - rb;
    if (ra == 0) {
        const double da = a.toDouble();
        const double db = b.toDouble();
        return da < db ? -1 : (da > db ? 1 : 0);
    }
    if (ra == 1)
        return a.toText().compare(b.toText());
    return 0;
}

} // namespace

QStringList splitSearchNames(const QString& names)
{
    QStringList result;
    QString token;
    const auto endToken = [&] {
        if (!token.isEmpty())
            result.append(token);
        token.clear();
    };
    for (const QChar c : names) {
        if (c == u'+' || c == u'＋' || c == u'\r')
            endToken();
        else if (c != u'\n')
            token.append(c);
    }
    endToken();
    return result;
}

ValueSearchList::ValueSearchList(QStringList headers, std::vector<std::vector<store::Value>> rows)
    : m_headers(std::move(headers)), m_statusColumn(int(m_headers.indexOf(kStatusHeader)))
{
    m_rows.reserve(rows.size());
    for (auto& cells : rows) {
        cells.resize(m_headers.size());
        m_rows.push_back(Row{std::move(cells), false});
    }
}

ValueSearchList ValueSearchList::read(store::Database& db, const QString& source)
{
    const QString sql = isSelectStatement(source) ? source : QStringLiteral("select * from [%1]").arg(source.trimmed());
    store::Recordset rs = db.openRecordset(sql);
    QStringList headers;
    for (int c = 0; c < rs.fieldCount(); ++c)
        headers.append(rs.fieldName(c));
    std::vector<std::vector<store::Value>> rows;
    for (; !rs.isEOF(); rs.moveNext()) {
        std::vector<store::Value> cells;
        cells.reserve(headers.size());
        for (int c = 0; c < rs.fieldCount(); ++c)
            cells.push_back(rs.value(c));
        rows.push_back(std::move(cells));
    }
    return ValueSearchList(std::move(headers), std::move(rows));
}

QString ValueSearchList::text(int row, int column) const
{
    return m_rows.at(row).cells.at(column).toText();
}

void ValueSearchList::clearMarks()
{
    for (Row& row : m_rows)
        row.marked = false;
}

void ValueSearchList::markNames(const QString& startingNames)
{
    const QStringList names = splitSearchNames(startingNames);
    if (names.isEmpty() || columnCount() == 0)
        return;
    for (int r = 0; r < rowCount(); ++r) {
        if (names.contains(text(r, 0)))
            m_rows[r].marked = true;
    }
}

bool ValueSearchList::isStruckOff(int row) const
{
    return m_statusColumn >= 0 && text(row, m_statusColumn) == kStruckOff;
}

int ValueSearchList::findPrefix(const QString& prefix) const
{
    if (columnCount() == 0)
        return -1;
    for (int r = 0; r < rowCount(); ++r) {
        if (text(r, 0).startsWith(prefix))
            return r;
    }
    return -1;
}

void ValueSearchList::sortByHeaderClick(int column)
{
    if (column < 0 || column >= columnCount())
        return;
    m_sortDescending = column == m_sortColumn && !m_sortDescending;
    m_sortColumn = column;
    const bool descending = m_sortDescending;
    std::stable_sort(m_rows.begin(), m_rows.end(), [column, descending](const Row& a, const Row& b) {
        const int order = compareCells(a.cells[column], b.cells[column]);
        return descending ? order > 0 : order < 0;
    });
}

SearchChoice ValueSearchList::choice() const
{
    QStringList names;
    QStringList codes;
    for (int r = 0; r < rowCount(); ++r) {
        if (!isMarked(r))
            continue;
        names.append(text(r, 0));
        if (columnCount() > 1)
            codes.append(text(r, 1));
    }
    return SearchChoice{names.join(u'+'), codes.join(u'+')};
}

} // namespace tq::conditions
