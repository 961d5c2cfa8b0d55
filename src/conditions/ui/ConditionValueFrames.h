#pragma once
// The value area of the condition editor: the regions stacked at one place,
// of which only the one for the current item (or none) is shown.
//   0 選択条件: 25 check boxes (type 0)
//   1 範囲指定: from/to boxes and 初出走のみ (types 1, 2, 8)
//   2 範囲選択: from/to combo boxes (types 3, 4, 7)
//   3 直接指定: value box, 以外, AND条件, 検索 (types 5, 9)
//   4 日付範囲指定: two date pickers (type 6)
//   5 今走と前走の比較条件: operator, sign and number (comparison targets)
//   6 一覧表示項目の選択: supplied by the editor (list settings)
//   7 集計単位の設定: the four range options of an aggregation key
// Each value region starts with the item's help line.

#include "conditions/ConditionEditing.h"

#include <QStackedWidget>

#include <array>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace tq::conditions::ui {

class ConditionValueFrames final : public QStackedWidget {
    Q_OBJECT
  public:
    // `listSettingsPage` becomes region 6; the frames take ownership of it.
    explicit ConditionValueFrames(QWidget* listSettingsPage, QWidget* parent = nullptr);

    // Shows one region (None: an empty page).
    void showFrame(EditorFrame frame);
    EditorFrame shownFrame() const;

    // subJoukenFrame: shows and fills the region for `item` and `target`;
    // with a stored value the controls are then set from it.
    void setUp(const ConditionItem& item, int target, const QString* storedValue);
    // The controls' values for the item last set up.
    EditorValues values() const;

    // The value region's 検索 button and what it searches ("" when hidden).
    QPushButton* searchButton() const { return m_search; }
    QString searchSource() const { return m_searchSource; }
    QString valueText() const;
    // The names and codes picked by the value search.
    void setSearchResult(const QString& names, const QString& codes);

    // The aggregation region: the option, its message and the two boxes.
    void setRangeChoice(const RangeChoice& choice);
    RangeChoice rangeChoice() const;

  private:
    QGroupBox* frame(int index, const QString& caption);
    QLabel* helpLine(QWidget* parent);
    void buildChoices();
    void buildRange();
    void buildRangeChoice();
    void buildDirect();
    void buildDates();
    void buildComparison();
    void buildAggregation();
    void setUpDirect(const ConditionItem& item);
    void loadValues(int type, const EditorValues& v);
    void onRangeOption(int option);

    std::array<QLabel*, 6> m_help{};
    int m_type = 0;
    int m_target = 0;
    // 0
    std::array<QCheckBox*, kChoiceBoxCount> m_choices{};
    int m_choiceCount = 0;
    // 1
    QLineEdit* m_from = nullptr;
    QLineEdit* m_to = nullptr;
    QCheckBox* m_firstRun = nullptr;
    // 2
    QComboBox* m_fromChoice = nullptr;
    QComboBox* m_toChoice = nullptr;
    // 3
    QLineEdit* m_value = nullptr;
    QLineEdit* m_code = nullptr;
    QCheckBox* m_exclude = nullptr;
    QCheckBox* m_allOf = nullptr;
    QLabel* m_allOfNote = nullptr;
    QPushButton* m_search = nullptr;
    QString m_searchSource;
    QLabel* m_hint = nullptr;
    // 4
    QDateEdit* m_fromDate = nullptr;
    QDateEdit* m_toDate = nullptr;
    // 5
    QComboBox* m_operator = nullptr;
    QLabel* m_runLabel = nullptr;
    QComboBox* m_sign = nullptr;
    QLineEdit* m_number = nullptr;
    // 7
    QButtonGroup* m_rangeOptions = nullptr;
    QLineEdit* m_interval = nullptr;
    QPlainTextEdit* m_bounds = nullptr;
    QLabel* m_rangeMessage = nullptr;
};

} // namespace tq::conditions::ui
