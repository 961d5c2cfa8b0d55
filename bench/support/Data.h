#pragma once
// The generated race data a benchmark runs on.

#include "support/GeneratedData.h"

#include <memory>

namespace tq::bench {

// Generates and prepares `years` of race data, printing its size and how long
// it took; null, with the reason on stderr, when it cannot be made.
std::unique_ptr<support::GeneratedData> generatedData(int years);

} // namespace tq::bench
