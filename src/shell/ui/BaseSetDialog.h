#pragma once
// frmBaseSet (基本設定): the user name written into favourites as author.
// Shows ctx.userName; ＯＫ stores the text as property "User" (an empty text
// becomes a single blank) and closes; キャンセル closes without change.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace tq::context {
class AppContext;
}

namespace tq::shell::ui {

class BaseSetDialog final : public QDialog {
    Q_OBJECT
public:
    explicit BaseSetDialog(context::AppContext& ctx, QWidget* parent = nullptr);

    QLineEdit* userEdit() const { return m_txtUser; }
    QPushButton* okButton() const { return m_cmdOk; }
    QPushButton* cancelButton() const { return m_cmdCan; }

private:
    void onOk();

    context::AppContext& m_ctx;
    QLineEdit* m_txtUser;
    QPushButton* m_cmdOk;
    QPushButton* m_cmdCan;
};

} // namespace tq::shell::ui
