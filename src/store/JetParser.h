#pragma once
// The Jet-to-SQLite rewriter behind translateJet(). Internal to the store
// layer: other subsystems call the functions of JetTranslator.h.
//
// A recursive-descent reader over the token stream: statements and clauses by
// keyword, expressions by precedence climbing with Jet's operator precedence
// (^, unary -, * /, \, Mod, + -, &, comparisons, Not, And, Or). Every
// expression comes back as SQLite text plus what the rewriter needs to know
// about it (is it a bare column, a literal, a truth value, known text or
// number), which decides "+" vs jet_add, "-(cmp)" in value positions and
// where COLLATE JET goes.

#include "store/JetLexer.h"
#include "store/JetTranslator.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <vector>

namespace tq::store::jet {

enum class Shape : std::uint8_t {
    Other,   // operator expression
    Column,  // bare (possibly qualified) column reference
    Literal, // number, string, date, True/False
    Null,    // the Null literal
    Call,    // function call or other self-delimited SQLite term
    Paren,   // parenthesised expression or sub-query
};

enum class Type : std::uint8_t { Unknown, Number, Text };

// Which truth value an expression yields: SQLite comparisons give 1/0 and must
// become -(...) where the value is used; Jet functions (like) already give -1/0.
enum class Truth : std::uint8_t { None, Sqlite, Jet };

struct Expr {
    QString text;        // SQLite text, without leading whitespace
    QStringView lead;    // whitespace in front of it in the source
    Shape shape = Shape::Other;
    Type type = Type::Unknown;
    Truth truth = Truth::None;
    int literal = -1;    // index into the literal table for plain literals
    bool cat = false;    // an unparenthesised jet_cat(...) that may take more arguments
};

struct TableRef {
    QString name;  // table name without brackets
    QString alias; // alias without brackets, or empty
};

class Parser {
public:
    // `stop`, when set, is asked every few thousand tokens; true stops the
    // translation with DbError SQLITE_INTERRUPT (9).
    Parser(const QString& src, const ColumnTypeLookup& lookup, bool parameterize, const StopCheck& stop = {});

    // Translates the one statement of the source. Several SQLite statements
    // come back when one Jet statement needs them (SELECT ... INTO, ALTER
    // TABLE ... ADD with a key constraint). Throws DbError on rejection.
    QStringList run();

    // Literal values replaced by "?" (parameterize mode), in text order of
    // the statements returned by run().
    const QVariantList& boundLiterals() const { return m_bound; }

private:
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

    // tokens
    const Token& peek(int k = 0) const;
    bool isKw(Kw kw, int k = 0) const;
    bool isPunct(char16_t c, int k = 0) const;
    bool isPunct(QStringView p, int k = 0) const;
    const Token& take();
    const Token& expectKw(Kw kw, const char* what);
    const Token& expectPunct(char16_t c);
    [[noreturn]] void fail(const QString& message) const;
    [[noreturn]] void syntaxError() const;
    QStringView text(const Token& t) const { return tokenText(m_src, t); }
    QStringView leadOf(const Token& t) const { return leadText(m_src, t); }
    QString spelled(const Token& t) const; // lead + text
    QString identifier(const Token& t) const;  // identifier as SQLite text
    QString spelledName(); // takes a name token: lead + identifier
    static QString bareName(QStringView identText);
    bool isNameToken(int k = 0) const;
    int addLiteral(QVariant value, QString inlineText);

    // expressions
    Expr parseExpr(int minPrec);
    Expr parseUnary();
    Expr parsePowOperand();
    Expr parsePrimary();
    Expr parseCall(const Token& name);
    Expr parseName();
    QString valueText(const Expr& e) const;   // -(cmp) where needed
    QString takeValueText(Expr& e) const;     // the same, moving e's text out
    QString operandText(Expr& e);             // value text, literal parameterised
    static QString collated(const Expr& e, const QString& text);
    static bool needsParens(const Expr& e);
    Expr comparison(Expr left);

    // statements
    QStringList statement();
    Select parseSelect();
    void parseSelectCore(Select& s);
    QString parseFrom(std::vector<TableRef>& tables, int& joins);
    QString parseTableRef(std::vector<TableRef>& tables, int& joins);
    QString parseTableUnit(std::vector<TableRef>& tables, int& joins);
    QString parseAlias(QString* aliasName);
    QString selectText(const Select& s) const;
    QString subquery(); // "(SELECT ...)" content after "(" up to and including ")"
    QStringList selectStatement();
    QString insertStatement();
    QString updateStatement();
    QString deleteStatement();
    QStringList createStatement();
    QStringList alterStatement();
    QString dropStatement();
    QString predicateClause(const Token& kw);

    // DDL helpers
    struct ColumnDef;
    ColumnDef parseColumnDef(bool alter);
    QString mapType(QStringView name, const QString& size, bool* isText, bool* isBit, bool* isCounter) const;
    QString copyUntilListEnd(); // after REFERENCES: tokens up to "," or ")" at depth 0
    QString columnText(const ColumnDef& d, bool alter) const;
    QString columnList(QStringList* bareNames);
    QString createIndex(const QString& createHead);
    static QString quoteName(const QString& bare);
    QString indexName(const QString& table, const QString& index) const;
    QString typeForSelectInto(const Select& s, const SelectItem& item) const;

    // Counts one level of expression nesting for its lifetime; too deep a
    // nesting fails instead of exhausting the stack.
    class Nesting final {
    public:
        explicit Nesting(Parser& parser);
        ~Nesting() { --m_parser.m_depth; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        Parser& m_parser;
    };

    const QString& m_src;
    const ColumnTypeLookup& m_lookup;
    const bool m_parameterize;
    const StopCheck m_stop;
    unsigned m_taken = 0; // tokens taken, for the stop check
    int m_depth = 0;
    std::vector<Token> m_tok;
    size_t m_pos = 0;
    bool m_paramClause = false; // literals compared here may become "?"
    bool m_starAllowed = false; // "*" as a function argument (Count(*))
    QVariantList m_literals;    // every literal seen, by index
    QStringList m_literalTexts; // the same literals as inline SQLite text
    QString m_nameQualifier, m_nameLast, m_nameLastIdent; // parts of the last name read
    QVariantList m_bound;
};

// Keywords that end an expression or a name list; other words (including
// soft keywords such as Key, Index, Column) may be used as names.
bool isHardKeyword(Kw kw);

// Appends `piece`, separating tokens that SQLite would read as a comment
// opener ("--", "/*") where Jet has two operators.
void appendSql(QString& out, QStringView piece);

// Text for a REAL literal: shortest round-trip digits, always with a point.
QString realLiteral(double value);

// Marks a parameterised literal inside translated text; replaced by "?" at the end.
inline constexpr char16_t kMarkOpen = 0xE000;
inline constexpr char16_t kMarkClose = 0xE001;

} // namespace tq::store::jet
