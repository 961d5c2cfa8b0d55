// The result help window: one window per top-level window however often it
// is asked for, read-only, closed by 閉じる.

#include "DialogTestSupport.h"

#include "analysis/ui/ResultHelpWindow.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

namespace tq::analysis::ui {
namespace {

using dialogs::testing::s;

TEST(ResultHelpWindow, RepeatedRequestsShowOneWindowThatClosesAndIsDeleted)
{
    support::ensureGuiApplication();
    QWidget top;
    auto* child = new QWidget(&top);
    top.show();

    QPointer<ResultHelpWindow> help = ResultHelpWindow::showFor(child);
    EXPECT_EQ(ResultHelpWindow::showFor(&top), help.data());
    EXPECT_EQ(top.findChildren<ResultHelpWindow*>().size(), 1);
    EXPECT_EQ(help->windowTitle(), s("分析結果表示項目説明"));
    auto* text = help->findChild<QPlainTextEdit*>(s("Text1"));
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_TRUE(text->toPlainText().startsWith(s("［総件数］\n")));

    help->findChild<QPushButton*>(s("cmdClose"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(help.isNull());
}

} // namespace
} // namespace tq::analysis::ui
