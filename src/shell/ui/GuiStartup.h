#pragma once
// The GUI program: single-instance check, the start-up sequence with the
// start-up window and the user-name dialog, the main window, the event loop.

#include "shell/GuiOptions.h"

#include <QString>

namespace tq::shell::ui {

// Sets the application font: "Noto Sans CJK JP", falling back to IPA fonts.
void setApplicationFont();

// Runs the GUI on an existing QApplication; `programDir` is the executable's
// directory or --app-dir. Sets the program's style (AppStyle), font and the
// toolkit's Japanese texts (installQtTranslations) first. After start-up it opens, runs and shows what
// `options` ask for. Returns the process exit code: 0 after a normal end,
// 1 when another instance runs or start-up ended on a fatal error.
//
// With a screenshot file the start is non-interactive: messages go to stderr,
// questions are answered No (Cancel where offered), the user-name dialog is
// not shown (no name is stored), and the settings store is not written. The
// main window takes --size or else the screen's available area, is rendered
// into the file once the document is shown, and the program ends: 0 when the
// file was written, 1 when it could not be.
int runGui(const QString& programDir, const GuiOptions& options = {});

} // namespace tq::shell::ui
