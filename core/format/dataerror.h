// SPDX-License-Identifier: MIT
#pragma once

#include "cause.h"

#include <exception>
#include <new>

namespace hy3 {

// How a failure found deep inside reading or converting a file travels up to
// the one place that makes it the file's outcome. It carries the value the
// front ends word, never words of its own.
class DataError : public std::exception
{
public:
    explicit DataError(Failure failure) : m_failure(failure) {}

    [[nodiscard]] const Failure &failure() const noexcept { return m_failure; }
    [[nodiscard]] Cause cause() const noexcept { return m_failure.cause; }
    [[nodiscard]] const char *what() const noexcept override { return "data file failure"; }

private:
    Failure m_failure;
};

// Where a DataError becomes a value: runs a step that reads or converts and
// gives the failure it threw, if any.
template <typename Step>
[[nodiscard]] Failure caught(Step step)
{
    try {
        step();
        return {};
    } catch (const DataError &error) {
        return error.failure();
    } catch (const std::bad_alloc &) {
        return {Cause::OutOfMemory, Action::ReadSource};
    }
}

} // namespace hy3
