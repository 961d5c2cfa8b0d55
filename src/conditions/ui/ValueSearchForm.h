#pragma once
// frmSrch, the value search dialog window. searchValues() (ValueSearchDialog.h)
// builds and shows it; tests drive it directly.
//
// A click on a row toggles its marking, a header click sorts by that column
// (a second click on the same column flips the order), a double click marks
// the row and accepts. 検索 (or Enter in the search box) scrolls the first row
// whose name begins with the search text to the top; 選択ｸﾘｱｰ unmarks all.
// After ＯＫ, choice() holds the marked names and codes in the shown order.

#include "conditions/ValueSearchList.h"

#include <QDialog>

class QLineEdit;
class QTableView;

namespace tq::conditions::ui {

class ValueSearchModel;

class ValueSearchForm final : public QDialog {
    Q_OBJECT
  public:
    // Shows `list` with the rows named in `startingNames` marked.
    ValueSearchForm(ValueSearchList list, const QString& itemName, const QString& startingNames,
                    QWidget* parent = nullptr);

    // The marked names and codes as of the last ＯＫ or double click.
    const SearchChoice& choice() const { return m_choice; }

  private:
    void onSearch();
    void onOk();
    void onDoubleClick(const QModelIndex& index);

    ValueSearchModel* m_model = nullptr;
    QTableView* m_grid = nullptr;
    QLineEdit* m_txtSrch = nullptr;
    SearchChoice m_choice;
};

} // namespace tq::conditions::ui
