#pragma once
// frmIroSet, the dialog of the result colours (分析結果色設定): for return,
// win, top-two and top-three rates a threshold box whose background is the
// highlight colour, and a 色設定 button that picks that colour through the
// prompter. ＯＫ stores the thresholds (rounded to whole numbers, halves to
// even) and colours in 色設定 and in the context; a threshold that is not a
// number is refused with a message and the dialog stays open. キャンセル
// changes nothing.

#include <QDialog>

#include <array>

class QLineEdit;

namespace tq::context {
class AppContext;
}

namespace tq::shell::ui {

class ColourDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit ColourDialog(context::AppContext& ctx, QWidget* parent = nullptr);

  private:
    struct Row {
        QLineEdit* threshold = nullptr;
        qint32 colour = 0;
    };

    void pickColour(std::size_t row);
    void showColour(std::size_t row);
    void onOk();

    context::AppContext& m_ctx;
    std::array<Row, 4> m_rows;
};

} // namespace tq::shell::ui
