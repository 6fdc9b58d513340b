// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

namespace hy3::fs {

// True for a name Windows keeps for a device (CON, PRN, AUX, NUL, COM1 to
// COM9, LPT1 to LPT9, with any extension, in any letter case) and for a name
// ending in a dot or a space, which Windows would silently change: a file
// can't be created under such a name without trouble for every other program.
[[nodiscard]] bool isReservedOnWindows(std::u16string_view name);

} // namespace hy3::fs
