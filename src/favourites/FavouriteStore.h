#pragma once
// The store over the table お気に入り of the application database: reads for
// the tree dialog, the open command and the organizers, and the writes of
// registration, rename, move, delete and the organise dialog.
//
// Every write runs in one transaction: a failure rolls it back and leaves the
// table as it was. Names and groups may contain "'" (values are quoted with
// it doubled, or written through the updatable recordset).
// Names are the identity of a favourite: a rename or move that would leave
// two rows with one name is refused (FavouriteError), since every later
// lookup selects by name.
//
// Errors: store::DbError from the database, FavouriteError for a refused
// change (its message is the text to show). One thread.

#include "favourites/Favourite.h"
#include "favourites/OrganizerRows.h"
#include "store/Recordset.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>
#include <vector>

namespace tq::store {
class Database;
}

namespace tq::favourites {

class FavouriteError : public std::runtime_error {
public:
    explicit FavouriteError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// What the tree dialog needs of a favourite.
struct FavouriteEntry {
    QString name;
    QString group;
    bool show = false;
    qint32 colour = kNoColour;
};

// Streams tree entries from an open statement, so that a caller can read a
// large table in slices between other work. Valid while the database is.
class FavouriteEntryCursor final {
public:
    explicit FavouriteEntryCursor(store::Recordset rows) : m_rows(std::move(rows)) {}
    bool atEnd() const { return m_rows.isEOF(); }
    // The current entry; moves to the next. Not at the end.
    FavouriteEntry next();

private:
    store::Recordset m_rows;
};

// One favourite as the organise dialog leaves it: the row stored under
// `storedName` gets `name`, `group` and `show`.
struct FavouriteRewrite {
    QString storedName;
    QString name;
    QString group;
    bool show = false;
};

class FavouriteStore final {
public:
    explicit FavouriteStore(store::Database& db) : m_db(db) {}

    // The favourite of that name, or nothing.
    std::optional<Favourite> find(const QString& name);
    bool exists(const QString& name);

    // Every favourite, ordered by group and name; with `group`, only its
    // favourites. Rows whose group is Null come first.
    std::vector<Favourite> list(const std::optional<QString>& group = std::nullopt);
    // The favourites of one group in the order the database returns them
    // (opening a whole group).
    std::vector<Favourite> inGroup(const QString& group);
    // The favourites a selection filter of the export and recalculation
    // dialogs picks ("", "WHERE 表示=True", "WHERE 名称='a' OR ..."), in the
    // order the database returns them. The filter is SQL text: its names
    // must already have "'" doubled.
    std::vector<Favourite> select(const QString& filter);

    // The tree's two reads: favourites in groups other than the top level,
    // ordered by group and name; then the top-level ones ordered by name.
    // Rows whose group is Null appear in neither.
    std::vector<FavouriteEntry> groupedEntries();
    std::vector<FavouriteEntry> topLevelEntries();
    FavouriteEntryCursor openGroupedEntries();
    FavouriteEntryCursor openTopLevelEntries();
    // The group names of groupedEntries(), each once, in order.
    QStringList groupNames();

    // Inserts the favourite, or overwrites the row of its name. Statistics
    // without a value are left as the row has them (Null in a new row).
    void save(const Favourite& favourite);

    // Deletes the favourite; FavouriteError when there is none.
    void remove(const QString& name);
    // FavouriteError when `from` does not exist, `to` is empty or another
    // favourite is called `to`.
    void rename(const QString& from, const QString& to);
    // FavouriteError when the favourite does not exist or `group` is empty.
    void move(const QString& name, const QString& group);

    // The organise dialog's OK: the deletions, then every rewrite in order,
    // all or nothing. FavouriteError when a rewritten name would then belong
    // to two rows.
    void reorganise(const QStringList& deletions, const std::vector<FavouriteRewrite>& rewrites);

    // The organizer's rows, filtered and sorted (a sort column that is not
    // one of organizerColumns() sorts by group).
    OrganizerCursor openOrganizerRows(const OrganizerFilter& filter, const OrganizerSort& sort);
    // Every group, and every author, each once, ascending; a Null or empty
    // author is listed once as the empty text.
    QStringList allGroupNames();
    QStringList authorNames();
    // Stores one organizer cell of the favourite `name` (a value from
    // parseCell): 名称 as rename(), グループ名 as move(), the others as given.
    // FavouriteError for a locked column or a favourite that is gone.
    void setCell(const QString& name, int column, const store::Value& value);
    // The organizer's actions on selected rows, each all or nothing; names no
    // longer stored are passed over.
    void removeAll(const QStringList& names);
    void recolour(const QStringList& names, qint32 colour);
    // FavouriteError when `group` is empty.
    void regroup(const QStringList& names, const QString& group);

private:
    int countNamed(const QString& name);
    void refuseDuplicate(const QString& name);

    store::Database& m_db;
};

} // namespace tq::favourites
