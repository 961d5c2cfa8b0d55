#pragma once
// The GUI program: single-instance check, the start-up sequence with the
// start-up window and the user-name dialog, the main window, the event loop.

#include <QString>

namespace tq::shell::ui {

// Sets the application font: "Noto Sans CJK JP", falling back to IPA fonts.
void setApplicationFont();

// Runs the GUI on an existing QApplication; `programDir` is the executable's
// directory or --app-dir. Returns the process exit code: 0 after a normal
// end, 1 when another instance runs or start-up ended on a fatal error.
int runGui(const QString& programDir);

} // namespace tq::shell::ui
