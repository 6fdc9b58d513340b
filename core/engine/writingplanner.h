// SPDX-License-Identifier: MIT
#pragma once

#include "engine/planner.h"

#include <QHash>

namespace hy3 {

// The planner of a real run: output folders opened or made, swept of
// leftovers, and each new file written whole as a temporary there. An
// output that already holds exactly the new bytes is left as it is; an
// earlier one that differs is first copied whole where the backup policy
// keeps it.
class WritingPlanner final : public Planner
{
public:
    using Planner::Planner;

private:
    [[nodiscard]] Failure openOutputFolder(const Job &job, std::shared_ptr<OpenFolder> &folder, int &number) override;
    [[nodiscard]] Failure complete(const Job &job, ReadSource &source, const std::shared_ptr<OpenFolder> &folder,
                                   int number, const std::optional<fs::sys::Status> &existing,
                                   Planned &planned) override;

    // A copy of the earlier output, written whole as a temporary where it is kept.
    [[nodiscard]] Failure copyEarlier(const Job &job, const std::shared_ptr<OpenFolder> &folder, int number,
                                      Outcome &outcome, std::optional<KeptCopy> &kept);
    // The name of the copy beside the output, as GNU cp names its backups.
    [[nodiscard]] Failure nameBeside(const OpenFolder &folder, int number, const QString &name, KeptCopy &copy);

    // Per output folder: the highest N of each name's NAME.~N~ copies there.
    QHash<int, QHash<QString, int>> m_numbered;
};

} // namespace hy3
