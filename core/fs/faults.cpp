// SPDX-License-Identifier: MIT
#include "faults.h"

#include <array>
#include <atomic>
#include <mutex>

namespace hy3::fs::sys {

namespace {

struct Planned
{
    int failAt = 0; // 0: never; -1: always
    int code = 0;
    int actAt = 0;
    std::function<void()> action;
};

struct Plan
{
    std::mutex mutex;
    std::array<int, static_cast<std::size_t>(Call::Count)> calls{};
    std::array<Planned, static_cast<std::size_t>(Call::Count)> planned{};
    std::vector<Call> trace;
    std::optional<bool> syncReportsErrors;
    std::optional<bool> batchFlushCovers;
};

// Off until a test turns it on: the program pays one load per call.
std::atomic<bool> g_testing{false};

Plan &plan()
{
    static Plan instance;
    return instance;
}

} // namespace

namespace detail {

int fault(Call call)
{
    if (!g_testing.load(std::memory_order_relaxed))
        return 0;
    Plan &p = plan();
    std::function<void()> action;
    int code = 0;
    {
        const std::lock_guard lock(p.mutex);
        const auto index = static_cast<std::size_t>(call);
        const int n = ++p.calls[index];
        p.trace.push_back(call);
        Planned &planned = p.planned[index];
        if (planned.actAt == n)
            action = std::move(planned.action);
        if (planned.failAt == n || planned.failAt < 0)
            code = planned.code;
    }
    if (action)
        action();
    return code;
}

} // namespace detail

namespace testing {

void failCall(Call call, int nth, int code)
{
    Plan &p = plan();
    const std::lock_guard lock(p.mutex);
    const auto index = static_cast<std::size_t>(call);
    p.planned[index].failAt = p.calls[index] + nth;
    p.planned[index].code = code;
    g_testing.store(true);
}

void failEvery(Call call, int code)
{
    Plan &p = plan();
    const std::lock_guard lock(p.mutex);
    const auto index = static_cast<std::size_t>(call);
    p.planned[index].failAt = -1;
    p.planned[index].code = code;
    g_testing.store(true);
}

void beforeCall(Call call, int nth, std::function<void()> action)
{
    Plan &p = plan();
    const std::lock_guard lock(p.mutex);
    const auto index = static_cast<std::size_t>(call);
    p.planned[index].actAt = p.calls[index] + nth;
    p.planned[index].action = std::move(action);
    g_testing.store(true);
}

void clear()
{
    Plan &p = plan();
    const std::lock_guard lock(p.mutex);
    p.calls.fill(0);
    p.planned.fill({});
    p.trace.clear();
    p.syncReportsErrors.reset();
    p.batchFlushCovers.reset();
    g_testing.store(true); // count and trace from now on
}

namespace {

// One answer of the system the tests stand in for; set from now on.
void pretend(std::optional<bool> Plan::*answer, std::optional<bool> value)
{
    Plan &p = plan();
    const std::lock_guard lock(p.mutex);
    p.*answer = value;
    g_testing.store(true);
}

std::optional<bool> pretended(std::optional<bool> Plan::*answer)
{
    if (!g_testing.load(std::memory_order_relaxed))
        return std::nullopt;
    Plan &p = plan();
    const std::lock_guard lock(p.mutex);
    return p.*answer;
}

} // namespace

void pretendFileSystemSyncReportsErrors(std::optional<bool> reports)
{
    pretend(&Plan::syncReportsErrors, reports);
}

void pretendBatchFlushCovers(std::optional<bool> covers)
{
    pretend(&Plan::batchFlushCovers, covers);
}

std::optional<bool> pretendedBatchFlushCovers()
{
    return pretended(&Plan::batchFlushCovers);
}

std::optional<bool> pretendedFileSystemSyncReportsErrors()
{
    return pretended(&Plan::syncReportsErrors);
}

int calls(Call call)
{
    Plan &p = plan();
    const std::lock_guard lock(p.mutex);
    return p.calls[static_cast<std::size_t>(call)];
}

std::vector<Call> trace()
{
    Plan &p = plan();
    const std::lock_guard lock(p.mutex);
    return p.trace;
}

const char *name(Call call)
{
    static constexpr const char *kNames[] = {"open folder", "list folder", "stat",      "access",    "make folder",
                                             "open",        "read",        "create",    "lock",      "write",
                                             "start write-back", "sync data", "write out", "sync file system", "stat file system", "sync folder", "rename",
                                             "link",        "remove",      "set writable", "close"};
    static_assert(std::size(kNames) == static_cast<std::size_t>(Call::Count));
    return kNames[static_cast<std::size_t>(call)];
}

} // namespace testing

} // namespace hy3::fs::sys
