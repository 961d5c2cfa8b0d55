#pragma once
// The organizer's grid model: the rows of the table お気に入り as the
// organizer shows them, read from the store's cursor in slices as the view
// asks for more (fetchMore), so ten thousand favourites cost only the rows
// on screen until the user scrolls.
//
// Editable cells write through the store as soon as the view commits them; a
// refused edit (a locked column, a text that is not a number or date, an
// empty or already taken name) is told through the prompter and leaves the
// cell and the table as they were. Cells show the favourite's colour on the
// name and the threshold colours on the rates (a value above the threshold).
//
// The context and its database must outlive the model. One thread.

#include "favourites/OrganizerRows.h"

#include <QAbstractTableModel>

#include <optional>
#include <vector>

namespace tq::context {
class AppContext;
}

namespace tq::favourites::ui {

class FavouriteOrganizerModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    // Rows read from the cursor per fetchMore.
    static constexpr int kFetchRows = 256;

    explicit FavouriteOrganizerModel(context::AppContext& context, QObject* parent = nullptr);
    ~FavouriteOrganizerModel() override;

    // Drops the rows and reads again with this filter and sort. Errors of the
    // read reach the caller (store::DbError).
    void reload(const OrganizerFilter& filter, const OrganizerSort& sort);
    // Ends the read: the rows not yet fetched are read now, and the statement
    // is closed (before a write to the table).
    void fetchAll();

    // The stored name of a row (the key of every write).
    QString nameAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

  private:
    void readRows(int count);
    QString text(const store::Value& value, int column) const;
    QVariant background(const OrganizerCursor::Row& row, int column) const;
    bool store(int row, int column, const store::Value& value);

    context::AppContext& m_context;
    std::vector<OrganizerCursor::Row> m_rows;
    std::optional<OrganizerCursor> m_cursor;
};

} // namespace tq::favourites::ui
