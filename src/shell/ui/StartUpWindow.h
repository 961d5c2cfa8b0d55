#pragma once
// frmTQStartUp: the start-up window, which doubles as the busy window of long
// operations. A title line with the version, a fixed "please wait" text, the
// progress text (Label2) and キャンセル, which sets the cancel flag. Frameless;
// a mouse press anywhere starts moving the window.

#include <QFrame>

class QLabel;
class QPushButton;

namespace tq::shell::ui {

class StartUpWindow final : public QFrame {
    Q_OBJECT
public:
    explicit StartUpWindow(QWidget* parent = nullptr);

    // Label2: replaced and repainted at once.
    void setProgress(const QString& text);
    QString progress() const;
    QString titleText() const;

    bool cancelRequested() const { return m_cancel; }
    void resetCancel() { m_cancel = false; }
    QPushButton* cancelButton() const { return m_cmdCan; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QLabel* m_lblTitle;
    QLabel* m_label3;
    QLabel* m_label2;
    QPushButton* m_cmdCan;
    bool m_cancel = false;
    bool m_dragging = false;
    QPoint m_dragOffset;
};

} // namespace tq::shell::ui
