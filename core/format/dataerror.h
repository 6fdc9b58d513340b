// SPDX-License-Identifier: MIT
#pragma once

#include "cause.h"

#include <exception>

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

} // namespace hy3
