#pragma once
// frmKekkaHelp (分析結果表示項目説明): a read-only text that explains every
// statistic of an analysis result, with a 閉じる button. Not modal: the
// analysis window keeps working while it is open.

#include <QDialog>

namespace tq::analysis::ui {

class ResultHelpWindow final : public QDialog {
    Q_OBJECT
  public:
    explicit ResultHelpWindow(QWidget* parent = nullptr);

    // Shows the help window of `anchor`'s top-level window and brings it to
    // the front; opens one when none is open, so repeated clicks never stack
    // copies. The window deletes itself when closed.
    static ResultHelpWindow* showFor(QWidget* anchor);

    // The explanation shown: each statistic as a heading in full-width
    // brackets on its own line, followed by its explanation; notes start
    // with "※".
    static QString helpText();
};

} // namespace tq::analysis::ui
