#pragma once
// Region 6 of the condition editor, 一覧表示項目の選択: the list-display
// setting being edited (its name in a combo box) and its items, with the
// buttons that add the editor's current item, reorder and remove items,
// create a setting and delete one. The items live in a SettingItemList; the
// list widget only shows them.

#include "conditions/ConditionEditing.h"

#include <QGroupBox>

#include <functional>

class QComboBox;
class QListWidget;

namespace tq::context {
class AppContext;
}

namespace tq::conditions::ui {

class ListSettingsFrame final : public QGroupBox {
    Q_OBJECT
  public:
    // `currentItemText` gives the text the add buttons use: the editor's
    // current item with its target prefix.
    ListSettingsFrame(context::AppContext& context, std::function<QString()> currentItemText, QWidget* parent = nullptr);

    // Fills the setting names from the database and chooses the first.
    void reload();
    // Chooses a setting: its stored items, the first one selected.
    void chooseSetting(int index);

    void add();
    void insert();
    void removeSelected();
    void moveUp();
    void moveDown();
    // 新規: asks for a name; an existing one is chosen, a new one starts
    // with the six default items.
    void newSetting();
    // 設定削除: deletes the chosen setting from the database at once.
    void deleteSetting();

    // OK: stores the items under the chosen name. False when there is no
    // name or the database refused (reported under "subIchiranSettei").
    bool store();

    QString settingName() const;
    const SettingItemList& items() const { return m_items; }

  private:
    void showItems();
    void edit(const std::function<void()>& change);

    context::AppContext& m_context;
    std::function<QString()> m_currentItemText;
    SettingItemList m_items;
    QComboBox* m_names = nullptr;
    QListWidget* m_list = nullptr;
};

} // namespace tq::conditions::ui
