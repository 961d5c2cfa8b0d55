#pragma once
// Shared by the dialog tests: the QApplication of the test program, a
// context with a scripted prompter, and helpers to click grid cells.

#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "support/GuiApplication.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QTest>

namespace tq::dialogs::testing {

inline QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// A context whose messages and colour picks come from `prompter`.
struct ContextFixture {
    ContextFixture() { support::ensureGuiApplication(); }
    context::ScriptedPrompter prompter;
    context::SilentBusy busy;
    context::AppContext ctx{prompter, busy};
};

inline void clickCell(QAbstractItemView& view, int row, int column = 0)
{
    const QRect r = view.visualRect(view.model()->index(row, column));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, r.center());
}

// A user's double click: press, release, double-click press, release
// (QTest::mouseDClick alone sends only the double-click press).
inline void doubleClickCell(QAbstractItemView& view, int row, int column = 0)
{
    const QPoint at = view.visualRect(view.model()->index(row, column)).center();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, at);
}

} // namespace tq::dialogs::testing
