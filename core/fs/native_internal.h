// SPDX-License-Identifier: MIT
#pragma once

// What the implementations of native.h share.

#include "native.h"

#include <cstdint>

namespace hy3::fs::native::detail {

// Counts a call of the operation; returns the system error code it must fail
// with (see testing::failCall), or 0.
[[nodiscard]] int injected(testing::Op op);

// NotRegularFile unless the name leads (links followed) to a plain file; a
// pipe or a device is looked at, never opened.
[[nodiscard]] Error requireRegular(const Folder &folder, const String &name);

// "~hy3-converter-" + 12 letters and digits from `bits` + ".tmp".
[[nodiscard]] String temporaryName(std::uint64_t bits);

} // namespace hy3::fs::native::detail
