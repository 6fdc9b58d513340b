// SPDX-License-Identifier: MIT
// The parts of the file layer that are the same on every system.

#include "native_internal.h"

#include <atomic>

namespace hy3::fs::native {

namespace {

struct Fault
{
    std::atomic<int> calls{0};
    std::atomic<int> failAt{0};
    std::atomic<int> code{0};
};

Fault g_faults[static_cast<int>(testing::Op::Count)];

constexpr char kTemporaryPrefix[] = "~hy3-converter-";
constexpr char kTemporarySuffix[] = ".tmp";
constexpr std::size_t kRandomLength = 12;
constexpr std::size_t kTemporaryLength = sizeof kTemporaryPrefix - 1 + kRandomLength + sizeof kTemporarySuffix - 1;

String widened(const char *text)
{
    String result;
    for (; *text; ++text)
        result += static_cast<Char>(*text);
    return result;
}

} // namespace

namespace detail {

int injected(testing::Op op)
{
    Fault &fault = g_faults[static_cast<int>(op)];
    const int call = fault.calls.fetch_add(1, std::memory_order_relaxed) + 1;
    const int at = fault.failAt.load(std::memory_order_relaxed);
    return at != 0 && call == at ? fault.code.load(std::memory_order_relaxed) : 0;
}

Error requireRegular(const Folder &folder, const String &name)
{
    Status status;
    if (const Error error = statName(folder, name, true, status))
        return error;
    return status.type == Type::Regular ? Error{} : Error{Cause::NotRegularFile, 0};
}

String temporaryName(std::uint64_t bits)
{
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz234567";
    String name = widened(kTemporaryPrefix);
    for (std::size_t i = 0; i < kRandomLength; ++i, bits >>= 5)
        name += static_cast<Char>(kAlphabet[bits & 31]);
    return name + widened(kTemporarySuffix);
}

} // namespace detail

bool isTemporaryName(const String &name)
{
    static const String prefix = widened(kTemporaryPrefix);
    static const String suffix = widened(kTemporarySuffix);
    return name.size() == kTemporaryLength && name.compare(0, prefix.size(), prefix) == 0
        && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

Handle &Handle::operator=(Handle &&other) noexcept
{
    if (this != &other) {
        (void)close();
        m_value = other.release();
    }
    return *this;
}

Handle::~Handle()
{
    (void)close();
}

std::intptr_t Handle::release()
{
    const std::intptr_t value = m_value;
    m_value = kClosed;
    return value;
}

namespace testing {

void failCall(Op op, int nth, int code)
{
    Fault &fault = g_faults[static_cast<int>(op)];
    fault.code.store(code);
    fault.failAt.store(fault.calls.load() + nth);
}

void clearFaults()
{
    for (Fault &fault : g_faults) {
        fault.failAt.store(0);
        fault.calls.store(0);
    }
}

int calls(Op op)
{
    return g_faults[static_cast<int>(op)].calls.load();
}

} // namespace testing

} // namespace hy3::fs::native
