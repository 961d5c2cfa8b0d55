#pragma once
// Editing the result colours (table 色設定, ctx.colours): the threshold text
// of the colour dialog as a whole number, and storing a changed set.

#include "context/AppContext.h"

#include <QString>

#include <optional>

namespace tq::shell {

// The whole number a threshold text stands for, rounded to the nearest with
// halves to even ("50.5" -> 50, "51.5" -> 52). Blanks around the number and
// full-width digits are accepted. std::nullopt when the text is not a number
// (empty, letters, trailing text) or does not fit a 32-bit integer.
std::optional<qint32> thresholdFromText(const QString& text);

// Stores `colours` in the first row of 色設定 of the application database (a
// table without a row gets one) and then in ctx.colours, so results drawn
// afterwards use them. Returns false when the table cannot be written: the
// failure is in the error log under `procedure`, and ctx.colours is unchanged.
bool storeColourSettings(context::AppContext& ctx, const context::ColourSettings& colours, const QString& procedure);

} // namespace tq::shell
