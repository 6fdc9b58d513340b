// SPDX-License-Identifier: MIT
#include "listing/parallel.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace hy3 {

namespace {

// Fewer calls than this are not worth a thread's start.
constexpr std::size_t kCallsPerThread = 32;
constexpr unsigned kMostThreads = 8;

} // namespace

void forEachInParallel(std::size_t count, const std::function<void(std::size_t)> &work)
{
    std::atomic<std::size_t> next{0};
    const auto run = [&] {
        for (std::size_t i = next++; i < count; i = next++)
            work(i);
    };
    const std::size_t cores = std::clamp(std::thread::hardware_concurrency(), 1U, kMostThreads);
    const std::size_t helpers = std::min(cores, count / kCallsPerThread + 1) - 1;
    std::vector<std::jthread> threads;
    threads.reserve(helpers);
    for (std::size_t t = 0; t < helpers; ++t) {
        try {
            threads.emplace_back(run);
        } catch (const std::system_error &) {
            break; // no more threads to be had: the others do it all
        }
    }
    run();
}

} // namespace hy3
