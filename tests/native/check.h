// SPDX-License-Identifier: MIT
#pragma once

// A few lines of test harness for the pieces that are built without Qt, so
// that they run the same on Linux and, cross-compiled, under wine.

#include <cstdio>

inline int g_failures = 0;

#define CHECK(condition)                                                                                      \
    do {                                                                                                      \
        if (!(condition)) {                                                                                   \
            std::fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition);                     \
            ++g_failures;                                                                                     \
        }                                                                                                     \
    } while (0)

inline int finish(const char *name)
{
    std::printf("%s: %s\n", name, g_failures == 0 ? "passed" : "FAILED");
    return g_failures == 0 ? 0 : 1;
}
