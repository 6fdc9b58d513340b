// SPDX-License-Identifier: MIT
#pragma once

// Why something failed, as a word of the program's own: the operating
// system's error turned into one of a few causes a user can act on, or a
// fault in the data. Plain C++, shared by the file layer of every platform.

#include <cstdint>

namespace hy3 {

enum class Cause : std::uint8_t {
    None,
    // From the operating system.
    NotFound,
    NotAFolder,
    FolderInTheWay,
    NoPermission,
    ReadOnlyMedium,
    NoSpace,
    TooLarge,
    NameTooLong,
    InvalidName,
    IoError,
    TooManyOpenFiles,
    OutOfMemory,
    Busy,
    Exists,
    NotRegularFile,
    LinkAtOutput,
    SystemError, // any other: the native code tells which
    // From the data and the request.
    Truncated,
    NegativeCount,
    NameTooShort,
    ColumnOutOfRange,
    SameFile,
    Clash,
};

} // namespace hy3
