#pragma once
// frmSaikeisan: the options of お気に入り一括再計算 — only the favourites
// shown in today's favourites (selected at start), all of them, or one group
// chosen from the list (enabled only with that option). OK leaves the
// selection filter; the caller runs the recalculation after the dialog has
// closed.

#include "favourites/Recalculation.h"

#include <QDialog>

#include <array>

class QComboBox;
class QRadioButton;

namespace tq::context {
class AppContext;
}

namespace tq::favourites::ui {

class RecalculationDialog final : public QDialog {
    Q_OBJECT
  public:
    // Fills the group list from the table (a failure to read it is reported
    // under "Form_Load" and leaves the list empty).
    explicit RecalculationDialog(context::AppContext& context, QWidget* parent = nullptr);

    // The filter of the chosen option.
    QString filter() const;

  private:
    std::array<QRadioButton*, 3> m_optSai{};
    QComboBox* m_cboGroup = nullptr;
};

} // namespace tq::favourites::ui
