#pragma once
// frmFavoInport: the options of お気に入りのインポート. Unticked, every
// favourite is registered under the group and name it was exported with;
// "グループ名を変更して登録する" puts them all into one group, "名称の先頭に
// 文字列を付加" puts a text in front of every name. The frames with the
// entries are shown only while their box is ticked.

#include "favourites/ExchangeFile.h"

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLineEdit;

namespace tq::favourites::ui {

class ImportDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit ImportDialog(QWidget* parent = nullptr);

    // What OK leaves: the group and prefix of the ticked boxes, else empty.
    ImportOptions options() const;

  private:
    QCheckBox* m_chkGroup = nullptr;
    QGroupBox* m_frmGroup = nullptr;
    QLineEdit* m_txtGroup = nullptr;
    QCheckBox* m_chkName = nullptr;
    QGroupBox* m_frmName = nullptr;
    QLineEdit* m_txtName = nullptr;
};

} // namespace tq::favourites::ui
