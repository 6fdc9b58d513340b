// SPDX-License-Identifier: MIT
#pragma once

#include "engine/engine.h"

#include <atomic>
#include <functional>
#include <optional>

namespace hy3 {

// The outcomes of a batch, counted the one way both front ends count them.
struct Tally
{
    int converted = 0;
    int unchanged = 0;
    int noRecords = 0;
    int kept = 0;
    int failed = 0;
    int notRun = 0;

    void count(const Outcome &outcome);
    [[nodiscard]] int files() const { return converted + unchanged + noRecords + kept + failed + notRun; }
};

// The next job of a batch, or one that can't be run (its failure, a name too
// short to make an output's name of, stands in for it).
struct NextJob
{
    Job job;
    Failure refused;
};

struct Driving
{
    // Read before each job: once set, the group being written is committed
    // and every job after it is not run.
    const std::atomic<bool> *stop = nullptr;
    // Before a job runs: which one the batch works on now.
    std::function<void(const Job &job)> starting;
    // After each job the engine has run or refused (not after one not run).
    std::function<void()> done;
};

// Runs every job the feed hands out through the engine, in order, then
// finishes it: afterwards every job's outcome has reached the engine's sink.
// Whether the stop left any job not run.
bool drive(Engine &engine, const std::function<std::optional<NextJob>()> &feed, const Driving &driving);

} // namespace hy3
