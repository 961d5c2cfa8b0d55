#pragma once
// Captions that the analysis window and the viewer both put beside the
// fields of a document's conditions.

#include <QString>

namespace tq::analysis::ui {

// The label of aggregation key level `level` (0-19): 集計第一キー to
// 集計第五キー, then 第６キー to 第２０キー.
QString keyLevelCaption(int level);

// The label of the axis favourite field for analysis kind `kind` (2 or 3):
// 軸馬のお気に入り, or 相手馬のお気に入り for kind 3.
QString axisFavouriteCaption(int kind);

} // namespace tq::analysis::ui
