// SPDX-License-Identifier: MIT
#pragma once

#include "commandline.h"
#include "console.h"

#include <atomic>

namespace hy3::cli {

enum ExitCode {
    ExitSuccess = 0,
    ExitFailure = 1,
    ExitUsage = 2,
    ExitNotFound = 3,
    ExitStopped = 130,
};

// `stop` is set on the first interrupt: the batch commits what it is writing
// and says what it did.
[[nodiscard]] int runConvert(const Request &request, Console &console, const std::atomic<bool> &stop);
[[nodiscard]] int runList(const Request &request, Console &console);
[[nodiscard]] int runShow(const Request &request, Console &console);

} // namespace hy3::cli
