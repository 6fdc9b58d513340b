// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace hy3 {

// The order people expect names in: numbers by value (2 before 10), letter
// case ignored, Japanese collation; names that compare equal that way keep a
// fixed order by their code units, so the order is the same on every run.
[[nodiscard]] int naturalCompare(const QString &a, const QString &b);
[[nodiscard]] inline bool naturalLess(const QString &a, const QString &b)
{
    return naturalCompare(a, b) < 0;
}

} // namespace hy3
