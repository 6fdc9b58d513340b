// SPDX-License-Identifier: MIT
#pragma once

// The one place every system call of the file layer passes: in the program a
// counter and nothing else; in the tests the place where any call fails in
// turn, where an action runs right before a call (another program's move),
// and where the order of the calls is seen.

#include <cstdint>
#include <functional>
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
    SyncData,
    SyncFileSystem,
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
// must fail with (0: none). A call that fails before it is made does
// nothing, as a failed open or rename does; the others are made and their
// result is replaced (see the implementations).
[[nodiscard]] int fault(Call call);
} // namespace detail

namespace testing {

// The n-th call (from 1, counted from now) fails with the system error code.
void failCall(Call call, int nth, int code);
// `action` runs right before the n-th call (from 1, counted from now).
void beforeCall(Call call, int nth, std::function<void()> action);
// Forgets the faults and the counts, and starts a new trace.
void clear();
[[nodiscard]] int calls(Call call);
// Every call since clear(), in order.
[[nodiscard]] std::vector<Call> trace();
[[nodiscard]] const char *name(Call call);

} // namespace testing

} // namespace hy3::fs::sys
