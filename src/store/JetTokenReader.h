#pragma once
// The token stream under the Jet-to-SQLite rewriter. Internal to the store
// layer: other subsystems call the functions of JetTranslator.h.
//
// Offers TokenReader, the lowest layer of the rewriter: looking ahead at,
// taking and expecting tokens, names as SQLite text, and failing with
// DbError; plus the small text helpers every layer uses. The layers above
// it: expressions (JetExpressionReader.h), select and action queries
// (JetQueryReader.h), data definition (JetDdlReader.h) and the statement
// entry point (JetParser.h).

#include "store/JetLexer.h"
#include "store/JetTranslator.h"

#include <QString>

#include <vector>

namespace tq::store::jet {

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

class TokenReader {
protected:
    // Reads the tokens of `src`, which must outlive the reader. Throws
    // DbError when `src` is longer than kMaxJetStatementLength. `stop`, when
    // set, is asked every few thousand tokens; true stops the translation
    // with DbError SQLITE_INTERRUPT (9).
    TokenReader(const QString& src, const StopCheck& stop);

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
    static QString quoteName(const QString& bare);
    bool isNameToken(int k = 0) const;

    const QString& m_src;
    const StopCheck m_stop;
    unsigned m_taken = 0; // tokens taken, for the stop check
    std::vector<Token> m_tok;
    size_t m_pos = 0;
};

} // namespace tq::store::jet
