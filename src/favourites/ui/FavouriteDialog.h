#pragma once
// frmFavorite: the favourites tree dialog. Shows the table お気に入り as a
// tree (root, groups, favourites) for one of the FavoChoice modes:
//   Add (0)      enter the name, pick group, colour and 表示 of a favourite
//   Open (1)     pick a favourite or a whole group ("ALL GROUP") to open
//   Organise (2) rename (label editing), move (drag a favourite onto a group
//                or the root), delete, tick 表示; written on OK in one
//                transaction, discarded on Cancel
//   Select (3)   pick a favourite or a group
//   Export (9)   choose the favourites to export; OK hands the filter to the
//                export handler
// The caller fills the FavoChoice before exec() and reads it afterwards; it
// must outlive the dialog. Cancel empties its name.
//
// The tree is built after the dialog has appeared, in slices on the event
// loop, so a large table never freezes the window; treeBuilt() says when it
// is complete. Errors in a handler are reported under the handler's name.

#include "favourites/FavoChoice.h"

#include <QDialog>
#include <QPoint>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tq::context {
class AppContext;
}

namespace tq::favourites::ui {

class FavouriteDialog final : public QDialog {
    Q_OBJECT
  public:
    // Item data roles of the tree's nodes.
    static constexpr int kKeyRole = Qt::UserRole;      // "ROOT", "R<n>", "R<n>C<m>"
    static constexpr int kTagRole = Qt::UserRole + 1;  // the stored name of a favourite, the group of a group
    static constexpr int kKindRole = Qt::UserRole + 2; // NodeKind

    enum class NodeKind { Group = 1, Favourite = 2 };

    FavouriteDialog(context::AppContext& context, FavoChoice& choice, QWidget* parent = nullptr);
    ~FavouriteDialog() override;

    // What OK in the export mode calls after the dialog closed, with the
    // filter (also left in FavoChoice::exportFilter). Without one the user is
    // told that the export is not available yet.
    using ExportHandler = std::function<void(const QString& filter)>;
    void setExportHandler(ExportHandler handler);

    QTreeWidget* tree() const { return m_tree; }
    bool isBuilt() const { return m_built; }
    // The milliseconds of one slice of the tree building (benchmarks).
    void setBuildSlice(int milliseconds) { m_sliceMs = milliseconds; }

  signals:
    void treeBuilt();

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Pending;

    void applyMode();
    void startBuilding();
    void buildSlice();
    bool addNextNode();
    void addGroupNode(const QString& group);
    QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QString& key, const QString& text, NodeKind kind);
    void onOk();
    void onCancel();
    void onNewGroup();
    void onDelete();
    void onColour();
    void onItemChanged(QTreeWidgetItem* item, int column);
    // A group's box follows its members: ticked when all are, half ticked
    // when some are, empty when none is.
    static void reflectMembers(QTreeWidgetItem* group);
    void reflectAllGroups();
    void onDoubleClicked(QTreeWidgetItem* item);
    bool okAdd();
    bool okOpenOrSelect();
    bool okOrganise();
    bool okExport();
    void setNameColour(qint32 colour);
    static bool isFavourite(const QTreeWidgetItem* item);
    QTreeWidgetItem* selectedNode() const;
    void dragPress(const QPoint& at);
    void dragMove(const QPoint& at);
    void dragRelease(const QPoint& at);
    void markTarget(QTreeWidgetItem* target);
    void report(const QString& handler, const std::function<void()>& body);

    context::AppContext& m_context;
    FavoChoice& m_choice;
    ExportHandler m_exportHandler;

    QTreeWidget* m_tree = nullptr;
    QGroupBox* m_nameFrame = nullptr;
    QLineEdit* m_txtFavoName = nullptr;
    QPushButton* m_cmdColor = nullptr;
    QCheckBox* m_chkHyouji = nullptr;
    QLabel* m_lblMsg = nullptr;
    QGroupBox* m_frmTaishou = nullptr;
    std::vector<QRadioButton*> m_optTaishou;
    QPushButton* m_cmdNewGroup = nullptr;
    QPushButton* m_cmdDel = nullptr;

    QTreeWidgetItem* m_root = nullptr;
    qint32 m_nameColour = kNoColour;
    QStringList m_deletions;
    int m_counter = 0;
    bool m_built = false;
    bool m_buildStarted = false;
    bool m_propagating = false;
    int m_sliceMs = 30;
    std::unique_ptr<Pending> m_pending;

    // Dragging a favourite (Organise only).
    QTreeWidgetItem* m_pressed = nullptr;
    QPoint m_pressAt;
    bool m_dragging = false;
    QTreeWidgetItem* m_target = nullptr;
};

} // namespace tq::favourites::ui
