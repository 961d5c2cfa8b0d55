#pragma once
// The child windows of the main window as the main window sees them, and the
// factory through which the document layer supplies them.
//
// The main window owns numbering, captions of new documents, the file
// dialogs and window arrangement; everything inside a document (reading and
// writing its condition file, running it, its grids) belongs to the window
// the factory creates. Until the analysis window exists, the placeholder
// factory supplies windows that keep a real analysis document (read and
// written as condition files, run by the engine) and show a summary of it.

#include "analysis/AnalysisDocument.h"

#include <QString>
#include <QWidget>

class QLabel;

namespace tq::context {
class AppContext;
class StatusLine;
}

namespace tq::shell::ui {

enum class DocumentKind {
    WinType, // frmDEVovuved: win-type analysis, numbered "Document n"
    BetType, // frmUmaren: bet-type analysis, numbered "UMAREN n"
    Viewer,  // frmView: read-only condition viewer, captioned with the file title
};

// One document's window. The caption is the window title. The main window
// shows it in a QMdiSubWindow; closing it runs its own close handling, which
// may ignore the close event to keep the document open.
class DocumentWindow : public QWidget {
    Q_OBJECT
public:
    explicit DocumentWindow(DocumentKind kind, QWidget* parent = nullptr);

    DocumentKind documentKind() const { return m_kind; }

    // The condition file the document was opened from or last saved to;
    // empty for a document that was never saved.
    const QString& filePath() const { return m_filePath; }
    void setFilePath(const QString& path) { m_filePath = path; }

    // The author box (txtUser) of a new document.
    virtual void setAuthor(const QString& author) = 0;
    // Reads the condition file into the document. Returns false when it could
    // not be read; the window has told the user or the error log why.
    virtual bool loadConditionFile(const QString& path) = 0;
    // Writes the document's condition file. Returns false when nothing was
    // written; the window has told the user why.
    virtual bool saveConditionFile(const QString& path) = 0;
    // 分析実行 on this document.
    virtual void runAnalysis() = 0;
    // The edit pop-up's コピー: the selection of the grid of the shown tab.
    virtual void copySelection() = 0;
    // The condition pop-up's 削除: the active row of the condition grid.
    virtual void deleteConditionRow() = 0;

    // The document the window shows; its caption follows the window title.
    analysis::AnalysisDocument& document() { return m_document; }

protected:
    void changeEvent(QEvent* event) override;

    analysis::AnalysisDocument m_document;

private:
    DocumentKind m_kind;
    QString m_filePath;
};

class DocumentWindowFactory {
public:
    virtual ~DocumentWindowFactory() = default;
    // A new, empty window of `kind`, without parent: the main window puts it
    // into its workspace and owns it from then on.
    virtual DocumentWindow* createWindow(DocumentKind kind) = 0;
};

// A stand-in for the document windows that are not built yet. It holds an
// analysis document: the condition file is read with funJoukenLoad and
// written with the condition-file writer, and a win-type document runs with
// subBunseki on `status`. It shows its caption, author, file, the number of
// condition rows and of result rows. Commands it cannot carry out (copy,
// delete row, running a bet-type or viewer document) tell the user through
// the prompter that they are not available yet.
class PlaceholderDocumentWindow final : public DocumentWindow {
    Q_OBJECT
public:
    PlaceholderDocumentWindow(context::AppContext& ctx, context::StatusLine& status, DocumentKind kind, QWidget* parent = nullptr);

    void setAuthor(const QString& author) override;
    bool loadConditionFile(const QString& path) override;
    bool saveConditionFile(const QString& path) override;
    void runAnalysis() override;
    void copySelection() override;
    void deleteConditionRow() override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void notAvailable(const QString& what);
    void refresh();

    context::AppContext& m_ctx;
    context::StatusLine& m_statusLine;
    QLabel* m_caption;
    QLabel* m_details;
};

class PlaceholderDocumentFactory final : public DocumentWindowFactory {
public:
    // `status` receives the run texts (the main window's status line); both
    // must outlive the windows.
    PlaceholderDocumentFactory(context::AppContext& ctx, context::StatusLine& status) : m_ctx(ctx), m_status(status) {}
    DocumentWindow* createWindow(DocumentKind kind) override;

private:
    context::AppContext& m_ctx;
    context::StatusLine& m_status;
};

// The text shown by commands whose window or dialog is not built yet.
QString notImplementedText();

// Writes `document` as the condition file `path` for a document window. A
// failure is logged under "subJoukenSave" and shown; the result says whether
// the file was written.
bool writeDocumentFile(context::AppContext& ctx, analysis::AnalysisDocument& document, const QString& path);

} // namespace tq::shell::ui
