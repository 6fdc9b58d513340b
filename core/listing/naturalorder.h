// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstddef>
#include <functional>
#include <vector>

namespace hy3 {

// The order people expect names in: numbers by value (2 before 10), letter
// case ignored, Japanese collation; names that compare equal that way keep a
// fixed order by their code units, so the order is the same on every run.
[[nodiscard]] int naturalCompare(const QString &a, const QString &b);
[[nodiscard]] inline bool naturalLess(const QString &a, const QString &b)
{
    return naturalCompare(a, b) < 0;
}

// The positions 0..count-1 in the natural order of their names: each name's
// collation key is worked out once, which sorts many names far faster than
// comparing through the collator each time.
[[nodiscard]] std::vector<std::size_t> naturalOrder(std::size_t count,
                                                    const std::function<QString(std::size_t)> &nameAt);

} // namespace hy3
