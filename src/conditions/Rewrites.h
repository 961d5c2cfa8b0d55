#pragma once
// The catalogue-driven rewrites every query builder applies to its SQL text:
// the previous-run rewrite ([ZENSOU1] pairs), the today's/past table-name
// rewrites ([HENKAN] pairs) and the joins added on demand ([JOIN] rules).
//
// All functions are pure text functions: they never throw, never touch a
// database and are safe to call from any thread.

#include "conditions/ConditionCatalogue.h"

#include <QString>

#include <vector>

namespace tq::conditions {

// Which side of a NamePair is searched for and which replaces it.
enum class PairDirection {
    FirstToSecond, // [HENKAN]: today's -> past; [ZENSOU1]: current run -> previous run
    SecondToFirst, // [HENKAN]: past -> today's
};

// The pair rewrite shared by every rewrite below. Walks the text once from the
// first character; at each position the pairs are tried in list order, and a
// pair matches when the text there starts with its from-text but not already
// with its to-text. The first match appends its to-text and the walk goes on
// after the from-text; otherwise the character is copied. Output is never
// re-read, so replacements do not cascade (from "X", to "X_1" turns "X.a"
// into "X_1.a" and leaves "X_1.a" alone). Pairs with an empty from-text are
// ignored. With `dollarEscape`, a "$" is dropped and the character after it
// is copied without trying any pair. Linear in the text length times the
// number of pairs; builds into one reserved buffer.
QString rewritePairs(const QString& text, const std::vector<NamePair>& pairs, PairDirection direction,
                     bool dollarEscape = false);

// Every occurrence of `from` replaced by `to` (the pair rewrite with one pair:
// a place that already starts with `to` is copied unchanged).
QString funMojiHenkan(const QString& text, const QString& from, const QString& to);

// The text rewritten for the run of `target`: the [ZENSOU1] pairs (current ->
// previous, which carry the run suffix "_1"), then for targets 3-10 every
// "_1" becomes "_2" (targets 3-4), "_3" (5-6), "_4" (7-8) or "_5" (9-10).
// Target 0 (and anything outside 1-10) returns the text unchanged.
QString funZensouHenkan(const ConditionCatalogue& catalogue, const QString& text, int target);

// Today's-table names replaced by past-data names ([HENKAN] this -> data).
// Every analysis query passes through it as the last step before it runs.
QString funDataHenkan(const ConditionCatalogue& catalogue, const QString& text);

// Past-data names replaced by today's-table names ([HENKAN] data -> this);
// a "$" is dropped and protects the character after it from the rewrite.
QString funThisHenkan(const ConditionCatalogue& catalogue, const QString& text);

// The FROM text with the rule's join added when it is needed: unchanged when
// `from` already contains the rule's link text, or when neither the column
// list nor the WHERE text contains the rule's table text; otherwise
// "(" from ") " followed by the link text. Comparisons are case-sensitive.
QString funJoinTsuika(const QString& from, const QString& columnList, const QString& where, const JoinRule& rule);

// The text in which a query builder looks for the rules' tables: the text
// and, when it differs, its past-name form (funDataHenkan) after a blank.
// Favourite links bring today's table names (T直前情報データ., 本日の印別成績.)
// that become past names only in the statement's final rewrite, while the
// join rules are keyed on past names; without this their joins were missing.
QString withPastNames(const ConditionCatalogue& catalogue, const QString& text);

// funJoinTsuika with every rule of the catalogue, in list order.
QString addCatalogueJoins(const ConditionCatalogue& catalogue, const QString& from, const QString& columnList,
                          const QString& where);

} // namespace tq::conditions
