// SPDX-License-Identifier: MIT
#pragma once

#include "engine/planner.h"

namespace hy3 {

// The planner of a real run: output folders opened or made, swept of
// leftovers, and each new file written whole as a temporary there.
class WritingPlanner final : public Planner
{
public:
    using Planner::Planner;

private:
    [[nodiscard]] Failure openOutputFolder(const Job &job, std::shared_ptr<OpenFolder> &folder, int &number) override;
    [[nodiscard]] Failure complete(const Job &job, DataFileReader &reader, const std::shared_ptr<OpenFolder> &folder,
                                   int number, Planned &planned) override;
};

} // namespace hy3
