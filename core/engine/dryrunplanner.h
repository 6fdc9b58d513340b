// SPDX-License-Identifier: MIT
#pragma once

#include "engine/planner.h"

namespace hy3 {

// The planner of a dry run: every check of the real run, and every record
// read, but no folder made, nothing swept and no file written. Its one step
// on the disk is the real run's first, made and undone once per folder: a
// temporary created and removed, so that it fails as the real run would.
class DryRunPlanner final : public Planner
{
public:
    using Planner::Planner;

private:
    // A folder the real run would make is left empty, its nearest existing
    // folder checked instead.
    [[nodiscard]] Failure openOutputFolder(const Job &job, std::shared_ptr<OpenFolder> &folder, int &number) override;
    [[nodiscard]] Failure complete(const Job &job, ReadSource &source, const std::shared_ptr<OpenFolder> &folder,
                                   int number, const std::optional<fs::sys::Status> &existing,
                                   Planned &planned) override;
};

} // namespace hy3
