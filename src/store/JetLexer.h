#pragma once
// Tokenizer for Jet SQL text. Internal to the store layer (used by the
// translator only).
//
// Tokens are ranges into the source text, so lexing allocates nothing per
// token. Whitespace is not a token: each token records where the blank run in
// front of it starts, so unchanged parts can be copied with their spacing.
// Jet has no comment syntax: "--" is two minus signs and "/*" is a slash and a
// star; the emitter separates them again when it writes SQLite text.

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace tq::store::jet {

enum class Tok : std::uint8_t {
    Word,      // bare identifier or keyword (may end in "$": Mid$)
    Bracket,   // [name]
    Backtick,  // `name`
    SqString,  // 'text' ('' inside)
    DqString,  // "text" ("" inside) - a string literal in Jet
    Number,    // 12, 1.5, .5, 1e3
    Date,      // #1/5/2023#
    Punct,     // operators and punctuation, one or two characters
    End,
};

// Keywords the translator looks at. Words that are not in this list are
// Kw::None (identifiers, function names).
enum class Kw : std::uint8_t {
    None,
    Add, All, Alter, And, Any, As, Asc, Between, By, Column, Comp, Compression,
    Constraint, Create, Database, Default, Delete, Desc, Disallow, Distinct,
    Distinctrow, Drop, Eqv, Escape, Exists, False, Foreign, From, Full, Group,
    Having, Ignore, Imp, In, Index, Inner, Insert, Into, Is, Join, Key, Left,
    Like, Mod, No, Not, Null, On, Or, Order, Outer, Parameters, Percent, Pivot,
    Primary, Procedure, References, Right, Select, Set, Some, Table, Temporary,
    Top, Transform, True, Union, Unique, Update, Values, View, Where, With, Xor,
};

struct Token {
    Tok kind = Tok::End;
    Kw kw = Kw::None;
    int lead = 0;   // start of the whitespace in front of the token
    int start = 0;  // first character of the token
    int end = 0;    // one past the last character
};

// Splits `text` into tokens; the last token is Tok::End (its `lead` is the
// trailing whitespace). Throws DbError (code 0) for an unterminated quote,
// bracket or date, a parameter marker (?, :name, @name, $name) and a
// character that has no meaning in Jet SQL.
std::vector<Token> tokenize(const QString& text);

// Text of a token (without its leading whitespace).
inline QStringView tokenText(const QString& src, const Token& t)
{
    return QStringView(src).mid(t.start, t.end - t.start);
}

// Whitespace in front of a token.
inline QStringView leadText(const QString& src, const Token& t)
{
    return QStringView(src).mid(t.lead, t.start - t.lead);
}

// Value of a string literal token (quotes removed, doubled quotes undone).
QString stringValue(const QString& src, const Token& t);

// The same string as an SQLite literal: '...' with every "'" doubled.
QString sqliteStringLiteral(QStringView value);

// Parses the inside of a #...# literal (U.S. month/day/year, or year first
// with "/" or "-"; optional h:nn[:ss] [AM|PM]) into days since 1899-12-30.
// Returns false for a text that is not a date.
bool parseJetDate(QStringView inside, double* serial);

} // namespace tq::store::jet
