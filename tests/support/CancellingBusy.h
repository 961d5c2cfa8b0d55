#pragma once
// A busy window whose キャンセル is pressed after `after` yields (-1: never).

#include "context/Busy.h"

namespace tq::support {

class CancellingBusy final : public context::Busy {
  public:
    explicit CancellingBusy(int after) : m_after(after) {}
    void show() override { m_rows = 0; }
    void hide() override {}
    void setProgress(const QString&) override {}
    void yield() override { ++m_rows; }
    bool cancelled() const override { return m_after >= 0 && m_rows > m_after; }

  private:
    int m_after;
    int m_rows = 0;
};

} // namespace tq::support
