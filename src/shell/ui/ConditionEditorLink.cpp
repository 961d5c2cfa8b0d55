#include "shell/ui/ConditionEditorLink.h"

#include "analysis/ui/AnalysisWindow.h"
#include "conditions/ui/ConditionEditor.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/MainWindowAnalysisDocument.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace tq::shell::ui {

ConditionEditorLink::ConditionEditorLink(context::AppContext& context, MainWindow& main)
    : QObject(&main), m_editor(new conditions::ui::ConditionEditor(context, &main))
{
    connect(main.mdiArea(), &QMdiArea::subWindowActivated, this, &ConditionEditorLink::onActivated);
}

void ConditionEditorLink::openListSettings()
{
    m_editor->openForListSettings();
}

void ConditionEditorLink::onActivated(QMdiSubWindow* sub)
{
    auto* doc = sub ? qobject_cast<AnalysisDocumentWindow*>(sub->widget()) : nullptr;
    if (!doc)
        return;
    join(doc);
    m_editor->retarget(targetOf(doc));
}

void ConditionEditorLink::join(AnalysisDocumentWindow* doc)
{
    if (m_joined.contains(doc))
        return;
    m_joined.insert(doc);
    analysis::ui::AnalysisWindow* window = doc->analysisWindow();
    connect(window, &analysis::ui::AnalysisWindow::conditionEditorRequested, this,
            [this, doc](int row) { m_editor->openForConditions(targetOf(doc), row); });
    connect(window, &analysis::ui::AnalysisWindow::keyEditorRequested, this,
            [this, doc](int level) { m_editor->openForAggregation(targetOf(doc), level); });
    connect(window, &analysis::ui::AnalysisWindow::conditionEditorHideRequested, this, [this, doc] {
        if (m_editor->isVisible() && m_editor->isTargeting(doc))
            m_editor->closeEditor();
    });
    connect(doc, &QObject::destroyed, this, [this, doc] {
        m_joined.remove(doc);
        // An editor left without a document has nothing to edit.
        if (m_editor->isVisible() && m_editor->mode() == conditions::ui::ConditionEditor::ConditionMode &&
            !m_editor->hasTarget())
            m_editor->closeEditor();
    });
}

conditions::ui::EditorTarget ConditionEditorLink::targetOf(AnalysisDocumentWindow* doc) const
{
    QPointer<analysis::ui::AnalysisWindow> window = doc->analysisWindow();
    return {&doc->document().conditions, doc, [window] {
                if (!window)
                    return;
                window->refreshFromDocument();
                window->saveFlgSet(true);
            }};
}

} // namespace tq::shell::ui
