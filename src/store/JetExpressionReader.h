#pragma once
// The expression layer of the Jet-to-SQLite rewriter, on the token stream
// (JetTokenReader.h). Internal to the store layer.
//
// Offers ExpressionReader: expressions by precedence climbing with Jet's
// operator precedence (^, unary -, * /, \, Mod, + -, &, comparisons, Not,
// And, Or), and the table of the literals read. Every expression comes back
// as SQLite text plus what the rewriter needs to know about it (is it a bare
// column, a literal, a truth value, known text or number), which decides "+"
// vs jet_add, "-(cmp)" in value positions and where COLLATE JET goes.
// Sub-queries inside an expression are read by the query layer above
// (JetQueryReader.h) through subquery().

#include "store/JetTokenReader.h"

#include <QStringList>
#include <QVariantList>

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

class ExpressionReader : public TokenReader {
protected:
    // `parameterize`: literals compared in the clauses that allow it are
    // marked (kMarkOpen index kMarkClose) instead of written inline.
    ExpressionReader(const QString& src, bool parameterize, const StopCheck& stop);
    ~ExpressionReader() = default;

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

    // "(SELECT ...)" content after "(" up to and including ")"; read by the
    // query layer.
    virtual QString subquery() = 0;

    // Counts one level of expression nesting for its lifetime; too deep a
    // nesting fails instead of exhausting the stack.
    class Nesting final {
    public:
        explicit Nesting(ExpressionReader& reader);
        ~Nesting() { --m_reader.m_depth; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        ExpressionReader& m_reader;
    };

    const bool m_parameterize;
    int m_depth = 0;
    bool m_paramClause = false; // literals compared here may become "?"
    bool m_starAllowed = false; // "*" as a function argument (Count(*))
    QVariantList m_literals;    // every literal seen, by index
    QStringList m_literalTexts; // the same literals as inline SQLite text
    QString m_nameQualifier, m_nameLast, m_nameLastIdent; // parts of the last name read
};

} // namespace tq::store::jet
