#pragma once
// The text report of an analysis document: its caption, author, unmasked
// conditions and result table as aligned plain text, for the clipboard
// (分析結果をテキストでコピー). Lines end with CR LF.
//
//   お気に入り名称：<caption>
//   作者名：<author>
//   [条件]
//   <item>(<target>) = <display>       one per unmasked condition row
//   <dashes per key><rule>
//   <key headings><heading line>
//   <dashes per key><rule>
//   <key cells><statistic cells>       one per result row
//
// Widths are counted in the cells of a fixed-pitch font (a full-width
// character takes two). Key headings and key cells are padded on the right to
// 10 cells; a column holding a text of 10 cells or more is as wide as its
// longest text and a blank. Statistic cells are right-aligned in their
// column's width (wider than the standard one when a figure is longer, the
// heading moving with it) and followed by one blank. The full report has
// fourteen statistics, the short one the first eight.

#include <QString>

namespace tq::analysis {

class AnalysisDocument;

enum class TextReportKind { Full, Short };

// subCopyTextFull / subCopyTextShort without the clipboard: the report text.
QString textReport(const AnalysisDocument& document, TextReportKind kind);

} // namespace tq::analysis
