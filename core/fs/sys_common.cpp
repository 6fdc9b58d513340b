// SPDX-License-Identifier: MIT
// What the system calls of every platform share.

#include "sys.h"

namespace hy3::fs::sys {

namespace detail {

Error lookUp(int code, const CauseOf *table, std::size_t size)
{
    if (code == 0)
        return {};
    for (std::size_t i = 0; i < size; ++i) {
        if (table[i].code == code)
            return {table[i].cause, code};
    }
    return {Cause::SystemError, code};
}

} // namespace detail

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

} // namespace hy3::fs::sys
