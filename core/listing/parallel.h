// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <functional>

namespace hy3 {

// Calls work(i) for every i below `count`, spread over the machine's cores,
// and returns when every call has returned. For work that is mostly the
// system's (opening and reading many small files), which one core leaves
// waiting. `work` must be safe to run on several threads at once and must
// not throw.
void forEachInParallel(std::size_t count, const std::function<void(std::size_t)> &work);

} // namespace hy3
