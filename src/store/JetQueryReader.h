#pragma once
// The query layer of the Jet-to-SQLite rewriter, on the expression layer
// (JetExpressionReader.h). Internal to the store layer.
//
// Offers QueryReader: select queries (TOP, DISTINCTROW, INTO, UNION,
// sub-queries) and the action queries INSERT, UPDATE and DELETE, which are
// built from the same pieces (tables, FROM lists, WHERE clauses).

#include "store/JetExpressionReader.h"

#include <vector>

namespace tq::store::jet {

struct TableRef {
    QString name;  // table name without brackets
    QString alias; // alias without brackets, or empty
};

// Sets a flag for the extent of a clause and restores it afterwards.
class FlagScope {
public:
    FlagScope(bool& flag, bool value) : m_flag(flag), m_saved(flag) { m_flag = value; }
    ~FlagScope() { m_flag = m_saved; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
    bool m_saved;
};

// True for the words that begin a join: INNER, LEFT, RIGHT, FULL, JOIN.
bool isJoinStart(const Token& t);

class QueryReader : public ExpressionReader {
protected:
    // `lookup` gives the declared type of a source column for SELECT ... INTO;
    // it must outlive the reader.
    QueryReader(const QString& src, const ColumnTypeLookup& lookup, bool parameterize, const StopCheck& stop);

    struct SelectItem {
        QString text;     // translated item, trimmed, alias included
        QString expr;     // the expression alone
        QString alias;    // alias as written (identifier text), or empty
        QString column;   // last name part when the item is a column reference
        QString columnTable; // qualifier of that column reference, unbracketed
        QString columnName;  // column name unbracketed
        Type type = Type::Unknown;
        bool star = false;
    };
    struct OrderKey {
        QString expr;   // translated key expression
        QString dir;    // " DESC" / " ASC" as written, or empty
        QString bare;   // identifier text when the key is a single name
        qint64 position = 0; // ORDER BY 2
    };
    struct Select {
        QString head;        // "SELECT" with its leading whitespace
        QString quantifier;  // " DISTINCT" or empty
        bool distinct = false;
        qint64 top = -1;
        std::vector<SelectItem> items;
        QString itemsText;   // the select list as written (translated)
        QString into;        // target of SELECT ... INTO, identifier text
        QString intoName;    // the same without brackets
        QString from;        // " FROM ..." or empty
        std::vector<TableRef> tables;
        int joins = 0;
        QString where, groupBy, having;
        QString compound;    // " UNION [ALL] SELECT ..."
        QString orderBy;     // " ORDER BY ..." as written
        std::vector<OrderKey> keys;
    };

    // select queries
    Select parseSelect();
    void parseSelectCore(Select& s);
    QString parseFrom(std::vector<TableRef>& tables, int& joins);
    QString parseTableRef(std::vector<TableRef>& tables, int& joins);
    QString parseTableUnit(std::vector<TableRef>& tables, int& joins);
    QString parseAlias(QString* aliasName);
    QString selectText(const Select& s) const;
    QString subquery() override; // "(SELECT ...)" content after "(" up to and including ")"
    QStringList selectStatement();
    QString typeForSelectInto(const Select& s, const SelectItem& item) const;
    QString predicateClause(const Token& kw);

    // action queries
    QString insertStatement();
    QString updateStatement();
    QString deleteStatement();

    const ColumnTypeLookup& m_lookup;
};

} // namespace tq::store::jet
