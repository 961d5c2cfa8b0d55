#pragma once
// frmSyukeiOpen (集計お気に入りを開く): a list of the aggregate favourites'
// names with OK and キャンセル. The first name is preselected; OK hands back
// the selected name, キャンセル (or OK on an empty list) an empty one.

#include <QDialog>
#include <QStringList>

class QListWidget;

namespace tq::derived::ui {

class AggregateOpenDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit AggregateOpenDialog(const QStringList& names, QWidget* parent = nullptr);

    // The name chosen by OK; empty after キャンセル.
    const QString& chosenName() const { return m_chosen; }

  private:
    void accept() override;

    QListWidget* m_list;
    QString m_chosen;
};

} // namespace tq::derived::ui
