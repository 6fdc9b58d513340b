// SPDX-License-Identifier: MIT
#pragma once

// The one place every system call of the file layer passes: in the program a
// counter and nothing else; in the tests the place where any call fails in
// turn, where an action runs right before a call (another program's move),
// and where the order of the calls is seen.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace hy3::fs::sys {

enum class Call : std::uint8_t {
    OpenFolder,
    ListFolder,
    Stat,
    Access,
    MakeFolder,
    Open,
    Read,
    Create,
    Lock,
    Write,
    StartWriteBack,
    SyncData,
    WriteOut,
    SyncFileSystem,
    StatFileSystem,
    SyncFolder,
    Rename,
    Link,
    Remove,
    SetWritable,
    Close,
    Count
};

namespace detail {

// Counts a call that is about to be made; returns the system error code it
// must fail with (0: none).
[[nodiscard]] int fault(Call call);

// What a system call returns when it fails with `code`, the code set where
// the system keeps it (errno, the thread's last error); each platform says
// it for the result types of its calls.
template <typename Result>
Result failedWith(int code);

} // namespace detail

// A call that does nothing when it fails (open, create, rename, remove): an
// injected failure stops it before it is made.
template <typename Real>
auto before(Call call, Real real) -> decltype(real())
{
    if (const int code = detail::fault(call))
        return detail::failedWith<decltype(real())>(code);
    return real();
}

// A call that is made whatever happens (read, write, flush, status, lock,
// close): an injected failure replaces the result it returned.
template <typename Real>
auto after(Call call, Real real) -> decltype(real())
{
    const int code = detail::fault(call);
    auto result = real();
    return code ? detail::failedWith<decltype(real())>(code) : result;
}

namespace testing {

// The n-th call (from 1, counted from now) fails with the system error code.
void failCall(Call call, int nth, int code);
// Every call from now on fails with the code.
void failEvery(Call call, int code);
// `action` runs right before the n-th call (from 1, counted from now).
void beforeCall(Call call, int nth, std::function<void()> action);
// Whether a flush of a whole file system reports the write-back errors of
// every file on it (Linux 5.8 and later), as the tests want it to seem;
// nothing: as the running system says. clear() forgets it.
void pretendFileSystemSyncReportsErrors(std::optional<bool> reports);
[[nodiscard]] std::optional<bool> pretendedFileSystemSyncReportsErrors();
// Whether a folder's files are made durable by writing each out and one full
// flush (see batchFlushCovers), as the tests want it to seem; nothing: as the
// running system says. clear() forgets it.
void pretendBatchFlushCovers(std::optional<bool> covers);
[[nodiscard]] std::optional<bool> pretendedBatchFlushCovers();
// Forgets the faults and the counts, and starts a new trace.
void clear();
[[nodiscard]] int calls(Call call);
// Every call since clear(), in order.
[[nodiscard]] std::vector<Call> trace();
[[nodiscard]] const char *name(Call call);

} // namespace testing

} // namespace hy3::fs::sys
