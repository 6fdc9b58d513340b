// SPDX-License-Identifier: MIT
#pragma once

// cp932 through the system's own code page 932 conversion, for a Qt built
// without ICU (the usual Windows builds). Plain C++, so that it can be tested
// on its own.

#include <string>
#include <string_view>

namespace hy3::windows {

// Bytes that are not cp932 become U+FFFD, one per byte or broken pair.
[[nodiscard]] std::u16string cp932ToUtf16(std::string_view bytes);

// Characters cp932 can't hold become '?'.
[[nodiscard]] std::string utf16ToCp932(std::u16string_view text);

} // namespace hy3::windows
