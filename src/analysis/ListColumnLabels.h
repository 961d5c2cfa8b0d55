#pragma once
// One labelled column of a horse list, written from the rows of a statement:
// the cell shows the raw label of the row's value (KeyLabeller::label with
// raw set), as subIchiranGyou writes it. Most such columns take few distinct
// values (horse numbers, finishing places, course codes), so each distinct
// value is labelled once and remembered; a text that its label keeps as it
// is (a horse name) is copied into the list without a label at all. Up to
// kMaxRemembered values are remembered; values beyond are labelled each time.
// Labels therefore must depend on the value only, as they do during a run.
// Not copyable (it points into itself).

#include "analysis/StatisticsKeys.h"

#include <QString>

#include <array>
#include <string>
#include <unordered_map>

namespace tq::store {
class Row;
}

namespace tq::analysis {

class Sheet;

class ListColumnLabels final {
  public:
    static constexpr std::size_t kMaxRemembered = 4096;

    // `itemName`: the catalogue item whose labels the column shows. The
    // catalogue and `appDb` must outlive the object.
    ListColumnLabels(const conditions::ConditionCatalogue& catalogue, const QString& itemName, store::Database* appDb,
                     common::ErrorLog* log);
    ListColumnLabels(const ListColumnLabels&) = delete;
    ListColumnLabels& operator=(const ListColumnLabels&) = delete;

    // Writes the label of field `index` of the current row (Null when `index`
    // is below 0) into the cell as a text cell.
    void writeText(Sheet& list, int row, int column, const store::Row& rs, int index);
    // The same as an integer cell when the label reads as a whole number, as a
    // static text when it does not, nothing (an empty cell) when it is empty.
    void writeInteger(Sheet& list, int row, int column, const store::Row& rs, int index);
    // writeText for a text value given as its UTF-8 bytes.
    void writeTextOf(Sheet& list, int row, int column, QByteArrayView utf8);
    // Whether labelling runs statements on the application database.
    bool readsDatabase() const { return m_labeller.readsDatabase(); }

  private:
    struct Label {
        QString text;
        bool isInteger = false;
        qint64 integer = 0;
    };

    const Label& label(const store::Row& rs, int index);
    const Label& textLabel(QByteArrayView utf8);
    // The label remembered under m_key, or null.
    const Label* find();
    // Labels `value` and remembers it under m_key.
    const Label& remembered(const store::Value& value);

    KeyLabeller m_labeller;
    std::unordered_map<std::string, Label> m_remembered; // by kind and bytes of the value
    std::string m_key;
    // The last value asked for and its label: rows often repeat a value
    // (all the rows of a race its course).
    std::string m_lastKey;
    const Label* m_last = nullptr;
    std::array<const Label*, 64> m_small{}; // remembered labels of the whole numbers 0-63
    Label m_once;                           // a label not remembered
};

} // namespace tq::analysis
