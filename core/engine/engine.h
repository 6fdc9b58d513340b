// SPDX-License-Identifier: MIT
#pragma once

#include "engine/committer.h"
#include "engine/job.h"
#include "engine/outcome.h"
#include "engine/readahead.h"
#include "engine/writtenoutputs.h"
#include "files/foldercache.h"

#include <functional>
#include <memory>

namespace hy3 {

class Planner;

// Converts jobs and hands out one Outcome per job, in job order: a Planner
// turns each job into its outcome or a new file waiting for its name, and a
// GroupCommitter makes those visible in durable groups (see both).
class Engine
{
public:
    using Sink = GroupCommitter::Sink;

    Engine(EngineSettings settings, Sink sink);
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;
    // Outputs still waiting are removed, not committed.
    ~Engine();

    // The job will be added (or skipped) after those expected before it: its
    // source may be read meanwhile. Jobs expected are added or skipped in order.
    void expect(const Job &job);
    void add(const Job &job);
    // The job is not run: its outcome is NotRun (Stopped).
    void skip(const Job &job);
    // The job can't be run: its outcome is this failure.
    void refuse(const Job &job, const Failure &failure);
    // Commits what waits; afterwards every job's outcome has reached the sink,
    // and no folder the batch made for nothing is left.
    void finish();
    [[nodiscard]] const GroupCommitter::Flushes &flushes() const { return m_committer.flushes(); }

private:
    void report(const Job &job, Outcome::Result result, const Failure &failure);

    EngineSettings m_settings;
    FolderCache m_folders{std::clamp(fs::sys::openFileLimit() / 8, 4, 64)};
    WrittenOutputs m_written;
    GroupCommitter m_committer;
    std::unique_ptr<Planner> m_planner;
    ReadAhead m_readAhead{m_settings};
};

} // namespace hy3
