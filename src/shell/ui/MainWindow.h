#pragma once
// MDIFrmDEVovuved: the main window. A workspace of document windows with the
// menu bar, the toolbar tlbMain and the status bar stbStatus. It restores and
// stores its geometry, numbers new documents (win-type and bet-type share one
// counter), runs the file dialogs of open, save, save as and view open,
// arranges the child windows, opens the help file and the course web page,
// and holds the edit and condition pop-up menus that document windows show.
//
// Commands carried out by windows and dialogs that are not built yet are
// visible but disabled, with a tooltip saying so; setCommandHandler() enables
// one when its feature exists.
//
// Errors in a command are written to the error log under the control's name
// followed by "_Click" (load: "Form_Load"); the window stays usable.

#include "shell/ui/MainWindowDocuments.h"
#include "shell/ui/MainWindowFiles.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>

class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QSettings;
class QToolBar;

namespace tq::favourites {
class ProcessStarter;
}

namespace tq::context {
class AppContext;
class StatusLine;
}

namespace tq::shell::ui {

class MainWindowStatusBar;

class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    struct Options {
        // The settings store; empty: the user's store under the application title.
        QString settingsFile;
        // Opens a file or web address; empty: QDesktopServices::openUrl.
        std::function<void(const QUrl&)> openUrl;
        // The help file VIZIVEV.CHM's directory; empty: the executable's.
        QString helpDir;
        // Starts the add-in programs; empty: the system's process start.
        std::shared_ptr<favourites::ProcessStarter> processStarter;
    };

    // `factory` supplies the document windows and must outlive the window;
    // nullptr: win-type documents in the analysis window, viewer documents in
    // the viewer window, bet-type ones as placeholders, running with this
    // window's status line.
    MainWindow(context::AppContext& ctx, DocumentWindowFactory* factory, Options options = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The load handler: caption, geometry, debug entries, graph add-in entries
    // and the first document "Document 1". Call once, before show().
    void load();

    // LoadNewDoc: counter + 1, a new win-type document "Document n" with the
    // user name as author, shown; returns the active child's document window.
    DocumentWindow* LoadNewDoc();
    // 新規作成（馬連分析）: counter + 1, a new bet-type document "UMAREN n".
    DocumentWindow* newBetTypeDocument();
    int documentCounter() const { return m_counter; }

    // The document window of the active child, or nullptr.
    DocumentWindow* activeDocument() const;
    QList<DocumentWindow*> documents() const;

    // File commands; each ends quietly when its dialog is cancelled or no
    // suitable document is active.
    void openFile();
    // Open without the dialog: a new document read from `path`; returns it.
    // A file that cannot be read leaves the new document untitled.
    DocumentWindow* openDocument(const QString& path);
    void viewOpen();
    // View open without the dialog: a new viewer of `path`; returns it.
    DocumentWindow* viewDocument(const QString& path);
    void saveFile();
    void saveFileAs();
    void runAnalysis();
    // 最適化を行う: busy window, close the application database, prepare it.
    void prepareDatabase();
    // 本日の印別成績作成 (today) / 過去の印別成績作成: builds the mark results
    // table with the busy window; a failed build is shown to the user.
    void buildMarkTable(bool today);
    // 標準の大きさ･位置に戻す.
    void restoreStandardGeometry();

    QMdiArea* mdiArea() const { return m_mdi; }
    QToolBar* toolBar() const { return m_toolBar; }
    context::StatusLine& statusLine();
    MainWindowStatusBar* statusBarPanels() const { return m_status; }
    // The pop-up menus mnuHenshu (コピー) and mnuJouken (削除) for document windows.
    QMenu* editPopupMenu() const { return m_editPopup; }
    QMenu* conditionPopupMenu() const { return m_conditionPopup; }
    // A menu entry or menu by control name, or a toolbar button by key.
    QAction* action(const QString& name) const;

    // Routes a command (a control name of the menu bar) to `handler`, enables
    // it and clears its "not available" tooltip.
    void setCommandHandler(const QString& controlName, std::function<void()> handler);

    // Renders the window into a PNG file; false when it could not be written.
    bool grabMainWindow(const QString& file);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void connectCommands();
    void on(const QString& controlName, std::function<void()> handler);
    void runReported(const QString& procedure, const std::function<void()>& body);
    // 馬一覧を作成しない as the settings remember it, into the context and the menu.
    void applyHorseListOption(QSettings& settings);
    void refreshWindowList();
    void applyDebugMenus();
    void applyAddInMenus();
    DocumentWindow* addDocument(DocumentKind kind, const QString& caption);
    DocumentWindow* loadInto(DocumentWindow* doc, const QString& path);
    void saveTo(DocumentWindow* doc, const QString& path);
    void openUrl(const QUrl& url);
    double dpiX() const;
    double dpiY() const;
    std::unique_ptr<QSettings> openSettings() const;

    context::AppContext& m_ctx;
    std::unique_ptr<DocumentWindowFactory> m_ownFactory;
    DocumentWindowFactory* m_factory;
    Options m_options;
    QMdiArea* m_mdi;
    MainWindowStatusBar* m_status;
    QToolBar* m_toolBar = nullptr;
    QMenu* m_editPopup = nullptr;
    QMenu* m_conditionPopup = nullptr;
    QMenu* m_windowMenu = nullptr;
    QList<QAction*> m_windowListActions;
    QHash<QString, QAction*> m_actions;
    QHash<QString, std::function<void()>> m_handlers;
    qint32 m_counter = 0;
};

} // namespace tq::shell::ui
