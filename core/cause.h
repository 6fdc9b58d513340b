// SPDX-License-Identifier: MIT
#pragma once

// Why something failed, as a value: the operating system's error turned into
// one of a few causes a user can act on, or a fault in the data, with what
// was being done at the time. The words for it are the front ends' (see
// messages/); this is plain C++, shared by the file layer of every platform.

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
    ReadOnlyFile, // Windows: the existing file has the read-only attribute
    NoSpace,
    TooLarge,
    NameTooLong,
    InvalidName,  // the file system refuses the name
    ReservedName, // Windows: CON, NUL, COM1 ... or a name ending in a dot or a space
    IoError,
    TooManyOpenFiles,
    OutOfMemory,
    Busy,
    Exists,
    NotRegularFile,
    LinkInTheWay, // a symbolic link (or reparse point) where a file or folder of ours goes
    CrossDevice,
    NoLocks,
    Unsupported, // the file system can't do what was asked (the file layer then does it another way)
    SystemError, // any other: the code tells which
    // From the data and the request.
    Truncated,
    NegativeCount,
    NameTooShort,
    ColumnOutOfRange,
    SameFile,
    Clash,
    NotDataFile, // show: not a .hyo, .hyp or .hy3 file
    NotOldData,  // convert, list: not a .hyo or .hyp file
    Stopped, // the user stopped the batch before this file
};

// What was being done; it decides the sentence a cause is said in.
enum class Action : std::uint8_t {
    None,
    OpenFolder,       // a folder to list or walk
    OpenSourceFolder, // the folder of a file to convert
    OpenSource,
    ReadHeader, // the count and the first Name, for a listing
    ReadSource,
    OpenOutputFolder,
    MakeOutputFolder,
    CreateOutput,
    WriteOutput,
    MakeDurable, // the new file is in place, its flush to the disk failed
    KeepEarlier, // a copy of the earlier output could not be made: it was not replaced
    MakeWritable,
    CheckOptions,
};

// Which column option ColumnOutOfRange is about.
enum class ColumnRole : std::uint8_t { Ticket, MoveFrom, MoveTo };

struct Failure
{
    Cause cause = Cause::None;
    Action action = Action::None;
    int code = 0;   // the system's own error number, where the system gave the cause
    int number = 0; // Truncated: the record cut short (0: the count); NegativeCount: the count;
                    // ColumnOutOfRange: the column asked for
    int limit = 0;  // Truncated: the records the file claims; ColumnOutOfRange: the last column allowed
    ColumnRole column = ColumnRole::Ticket;

    explicit operator bool() const { return cause != Cause::None; }
    friend bool operator==(const Failure &, const Failure &) = default;

    [[nodiscard]] Failure during(Action what) const
    {
        Failure failure = *this;
        failure.action = what;
        return failure;
    }
};

} // namespace hy3
