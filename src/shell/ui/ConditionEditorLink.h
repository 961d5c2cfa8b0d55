#pragma once
// Joins the analysis windows of a main window to its one condition editor:
// a window's requests open the editor in mode 0 (a condition row) or mode 1
// (a key level), its tab change hides it, and activating another analysis
// document re-targets an open editor to that document. After the editor
// changed a document, the window rereads it and marks it modified.
//
// The link is a child of the main window and creates the editor with the
// main window as parent. Analysis windows are joined when their sub-window
// is first activated (every new document is activated when it is added).

#include <QObject>
#include <QPointer>
#include <QSet>

class QMdiSubWindow;

namespace tq::conditions::ui {
class ConditionEditor;
struct EditorTarget;
} // namespace tq::conditions::ui

namespace tq::context {
class AppContext;
}

namespace tq::shell::ui {

class AnalysisDocumentWindow;
class MainWindow;

class ConditionEditorLink final : public QObject {
    Q_OBJECT
  public:
    ConditionEditorLink(context::AppContext& context, MainWindow& main);

    conditions::ui::ConditionEditor* editor() const { return m_editor; }

    // 一覧表示設定: the editor in mode 9, modal.
    void openListSettings();

  private:
    void onActivated(QMdiSubWindow* sub);
    void join(AnalysisDocumentWindow* doc);
    conditions::ui::EditorTarget targetOf(AnalysisDocumentWindow* doc) const;

    conditions::ui::ConditionEditor* m_editor;
    QSet<const QObject*> m_joined;
};

} // namespace tq::shell::ui
