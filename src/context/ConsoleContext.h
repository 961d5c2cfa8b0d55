#pragma once
// The context of a program run without the main window (a command of the
// command line, an add-in): questions on the console, answered by `answer`
// (none: No, or Cancel where offered), and `BusyT` as the busy window.

#include "context/AppContext.h"
#include "context/ConsolePrompter.h"

#include <optional>

namespace tq::context {

template <typename BusyT> struct ConsoleContext {
    explicit ConsoleContext(std::optional<Answer> answer = std::nullopt) : prompter(answer) {}
    ConsoleContext(const ConsoleContext&) = delete;
    ConsoleContext& operator=(const ConsoleContext&) = delete;

    ConsolePrompter prompter;
    BusyT busy;
    AppContext ctx{prompter, busy};
};

} // namespace tq::context
