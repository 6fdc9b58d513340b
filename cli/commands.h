#pragma once

#include "commandline.h"

#include <QTextStream>

namespace hy3::cli {

enum ExitCode {
    ExitSuccess = 0,
    ExitFailure = 1,
    ExitUsage = 2,
    ExitNotFound = 3,
};

[[nodiscard]] int RunConvert(const Request &request, QTextStream &out, QTextStream &err);
[[nodiscard]] int RunList(const Request &request, QTextStream &out, QTextStream &err);

} // namespace hy3::cli
