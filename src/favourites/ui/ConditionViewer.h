#pragma once
// frmJouRireki: the conditions of a favourite or of an earlier analysis run,
// shown read-only in a condition grid with the author, without blocking the
// other windows. Created once and hidden between uses (閉じる or Esc), so it
// keeps its last content.
//
// Two uses:
//   ShowJouken  (analysis history) "この条件に戻す" puts the whole saved text
//               back into the window it came from; "この条件で新たに開く"
//               opens it as a new document.
//   ShowJouken2 (organizer) "このお気に入りを開く" opens the favourite as a
//               new document; "このお気に入りを削除" deletes it after asking.
//
// The viewer does not own the context, which must outlive it. A history
// source window that closes while the viewer shows its conditions is
// forgotten: "この条件に戻す" then does nothing.

#include "analysis/AnalysisDocument.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QLineEdit;
class QPushButton;
class QTableView;

namespace tq::context {
class AppContext;
}

namespace tq::analysis::ui {
class AnalysisWindow;
class ConditionGridModel;
} // namespace tq::analysis::ui

namespace tq::favourites {
struct Favourite;
}

namespace tq::favourites::ui {

class ConditionViewer final : public QWidget {
    Q_OBJECT
  public:
    explicit ConditionViewer(context::AppContext& context, QWidget* parent = nullptr);
    ~ConditionViewer() override;

    // Opens a condition text in a new document: the text, and the caption
    // (empty: the new document keeps its own), the comment and the author
    // that replace those of the text when not empty. Without one the open
    // button is disabled.
    struct OpenRequest {
        QString conditionText;
        QString caption;
        QString comment;
        QString author;
    };
    using OpenHandler = std::function<void(const OpenRequest& request)>;
    void setOpenHandler(OpenHandler handler);

    // The conditions of a history row of `source`.
    void ShowJouken(analysis::ui::AnalysisWindow& source, const QString& conditionText);
    // The conditions of a stored favourite; `topRow` is the organizer's top
    // row, handed back when the favourite is deleted.
    void ShowJouken2(const Favourite& favourite, int topRow);

    // What the viewer shows (tests).
    const analysis::AnalysisDocument& shown() const { return m_shown; }
    const QString& favouriteName() const { return m_name; }

  signals:
    // The favourite was deleted from the viewer; the organizer reloads and
    // scrolls back to `topRow`.
    void favouriteDeleted(const QString& name, int topRow);

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void showConditions(const QString& caption, bool history);
    void onRestore();
    void onOpen();
    void onDelete();

    context::AppContext& m_context;
    analysis::AnalysisDocument m_shown;
    analysis::ui::ConditionGridModel* m_model = nullptr;
    QTableView* m_grid = nullptr;
    QLineEdit* m_txtUser = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command2 = nullptr;
    QPushButton* m_cmdDel = nullptr;
    OpenHandler m_open;

    QPointer<analysis::ui::AnalysisWindow> m_source;
    QString m_text;
    QString m_name;    // empty in the history use
    QString m_comment; // the favourite's stored comment and author
    QString m_author;
    int m_topRow = 0;
};

} // namespace tq::favourites::ui
