// The organizer's context menu: コピー, 削除, グループ名変更 and 色変更 on the
// rows of the selected block.

#include "favourites/ui/FavouriteOrganizer.h"

#include "context/AppContext.h"
#include "favourites/FavouriteStore.h"
#include "favourites/ui/FavouriteOrganizerModel.h"

#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QTableView>

#include <algorithm>
#include <set>

namespace tq::favourites::ui {

QStringList FavouriteOrganizer::selectedNames() const
{
    std::set<int> rows;
    for (const QModelIndex& index : m_grid->selectionModel()->selectedIndexes())
        rows.insert(index.row());
    QStringList names;
    for (const int row : rows)
        names << m_model->nameAt(row);
    return names;
}

void FavouriteOrganizer::changeSelection(const std::function<void(const QStringList& names)>& change)
{
    const QStringList names = selectedNames();
    if (names.isEmpty())
        return;
    const int top = topRow();
    m_model->fetchAll();
    change(names);
    subHyouji();
    scrollToRow(top);
}

void FavouriteOrganizer::copySelection()
{
    const QModelIndexList cells = m_grid->selectionModel()->selectedIndexes();
    if (cells.isEmpty())
        return;
    int top = cells.first().row(), bottom = top, left = cells.first().column(), right = left;
    for (const QModelIndex& cell : cells) {
        top = std::min(top, cell.row());
        bottom = std::max(bottom, cell.row());
        left = std::min(left, cell.column());
        right = std::max(right, cell.column());
    }
    QString text;
    for (int row = top; row <= bottom; ++row) {
        QStringList line;
        for (int column = left; column <= right; ++column) {
            const QModelIndex index = m_model->index(row, column);
            line << (column == organizer::kShow
                         ? (index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStringLiteral("-1")
                                                                                  : QStringLiteral("0"))
                         : index.data().toString());
        }
        text += line.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    QApplication::clipboard()->setText(text);
}

void FavouriteOrganizer::deleteSelection()
{
    if (selectedNames().isEmpty())
        return;
    const context::Message question{
        QStringLiteral("選択されている（黒く反転）お気に入りを全て削除します。よろしいですか？"),
        {},
        context::Icon::Question,
        false};
    if (m_context.prompter.ask(question) != context::Answer::Yes)
        return;
    changeSelection([this](const QStringList& names) { FavouriteStore(*m_context.appDb).removeAll(names); });
}

void FavouriteOrganizer::regroupSelection()
{
    if (selectedNames().isEmpty())
        return;
    QString group;
    if (!m_context.prompter.inputText(
            QStringLiteral("選択されている（黒く反転）お気に入りのグループ名を全て変更します。"
                           "変更後のグループ名を入力して下さい"),
            {}, group) ||
        group.isEmpty())
        return;
    changeSelection(
        [this, &group](const QStringList& names) { FavouriteStore(*m_context.appDb).regroup(names, group); });
}

void FavouriteOrganizer::recolourSelection()
{
    if (selectedNames().isEmpty())
        return;
    qint32 colour = 0xFFFFFF;
    if (!m_context.prompter.pickColour(colour))
        return;
    changeSelection(
        [this, colour](const QStringList& names) { FavouriteStore(*m_context.appDb).recolour(names, colour); });
}

} // namespace tq::favourites::ui
