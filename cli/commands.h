// SPDX-License-Identifier: MIT
#pragma once

#include "commandline.h"
#include "console.h"

namespace hy3::cli {

enum ExitCode {
    ExitSuccess = 0,
    ExitFailure = 1,
    ExitUsage = 2,
    ExitNotFound = 3,
};

// `standardInput` is read for --files-from -.
[[nodiscard]] int runConvert(const Request &request, Console &console, QIODevice &standardInput);
[[nodiscard]] int runList(const Request &request, Console &console);
[[nodiscard]] int runShow(const Request &request, Console &console);

} // namespace hy3::cli
