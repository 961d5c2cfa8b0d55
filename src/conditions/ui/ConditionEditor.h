#pragma once
// frmJouken (条件設定画面): the one dialog through which the user composes the
// conditions of an analysis document. Three modes:
//   0  conditions: modeless; OK writes one condition row into the target
//      document's set and the dialog stays open;
//   1  aggregation key: modal; OK writes one aggregation key and closes;
//   9  list settings: modal; OK stores a list-display setting and closes.
// The dialog is created once and then hidden and shown; its lists persist
// between openings. It edits one target document at a time: the last one
// that opened it or, while it is open in mode 0, was activated.
//
// Opening re-reads the target's edited row; a click into the open dialog
// does not, so the user's unsaved input stays.

#include "conditions/ConditionEditing.h"

#include <QDialog>
#include <QPointer>

#include <array>
#include <functional>

class QButtonGroup;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QGroupBox;

namespace tq::context {
class AppContext;
}

namespace tq::conditions::ui {

class ConditionValueFrames;
class ListSettingsFrame;

// The document the editor works on.
struct EditorTarget {
    ConditionSet* conditions = nullptr;
    // The target is dropped when this object is destroyed (the document's window).
    QPointer<QObject> owner;
    // Called after the editor changed the set: the window rereads it and the
    // document is marked modified.
    std::function<void()> changed;
};

class ConditionEditor final : public QDialog {
    Q_OBJECT
  public:
    enum Mode { ConditionMode = 0, KeyMode = 1, ListMode = 9 };

    // The context must outlive the dialog. `parent` is the main window, under
    // whose toolbar the dialog first appears.
    explicit ConditionEditor(context::AppContext& context, QWidget* parent = nullptr);
    ~ConditionEditor() override;

    // Mode 0 on `row` (0-based; the row count is the empty line), shown modeless.
    void openForConditions(const EditorTarget& target, int row);
    // Mode 1 for key level `level` (0-19); returns the dialog's result.
    int openForAggregation(const EditorTarget& target, int level);
    // Mode 9; returns the dialog's result.
    int openForListSettings();
    // The set-up of the two modal modes without entering the event loop
    // (the open functions call these, then exec()).
    void startAggregation(const EditorTarget& target, int level);
    void startListSettings();

    // Another document became active: an open editor in mode 0 follows it,
    // on its first row.
    void retarget(const EditorTarget& target);
    // Whether the editor's target document is the one of `owner`.
    bool isTargeting(const QObject* owner) const;
    // Whether it has a target document that still exists.
    bool hasTarget() const;

    int mode() const { return m_mode; }
    EditorRows rows() const { return m_rows; }
    int currentTarget() const;
    bool extendedMode() const { return m_extended; }

  public slots:
    // ＯＫ, 閉じる, the extended-mode button and 確定.
    void ok();
    void closeEditor();
    void toggleExtendedMode();
    void confirmExtended();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Construction (ConditionEditor.cpp).
    QWidget* buildLists();
    QGroupBox* buildTargets();
    QWidget* buildExtended();
    void fillGroups();
    void placeUnderToolBar();
    int twipsToPixels(int twips) const;

    // Choosing (ConditionEditorChoice.cpp).
    void activate(int row);
    void chooseGroup(int index);
    void chooseItem(int index);
    void chooseTarget(int target);
    void offerTargets();
    void highlight(QTableWidget* list, int index);
    void colourTargets(const std::array<bool, kTargetCount>& used);
    void drawCurrentRed();
    const ConditionItem* currentItem() const;
    QString currentItemText() const;

    // Actions (ConditionEditorActions.cpp).
    void okConditions();
    void okAggregation();
    void okListSettings();
    void setExtendedMode(bool on);
    void search();
    void targetChanged();

    context::AppContext& m_context;
    EditorTarget m_target;
    Mode m_mode = ConditionMode;
    EditorRows m_rows;
    int m_level = 0;
    bool m_extended = false;
    bool m_placed = false;
    int m_collapsedHeight = 0;
    QStringList m_groupNames;
    std::vector<const ConditionItem*> m_itemsOfGroup;
    int m_group = -1;
    int m_item = -1;

    QTableWidget* m_groups = nullptr;
    QTableWidget* m_items = nullptr;
    QGroupBox* m_targetFrame = nullptr;
    QButtonGroup* m_targetOptions = nullptr;
    std::array<QRadioButton*, kTargetCount> m_targetButtons{};
    ConditionValueFrames* m_frames = nullptr;
    ListSettingsFrame* m_listSettings = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_close = nullptr;
    QPushButton* m_extendButton = nullptr;
    QLabel* m_extendNote = nullptr;
    QWidget* m_extendedArea = nullptr;
    QPlainTextEdit* m_extendedBox = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace tq::conditions::ui
