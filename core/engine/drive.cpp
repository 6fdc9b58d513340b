// SPDX-License-Identifier: MIT
#include "engine/drive.h"

namespace hy3 {

void Tally::count(const Outcome &outcome)
{
    switch (outcome.result) {
    case Outcome::Result::Converted:
        ++converted;
        break;
    case Outcome::Result::Unchanged:
        ++unchanged;
        break;
    case Outcome::Result::NoRecords:
        ++noRecords;
        break;
    case Outcome::Result::Kept:
        ++kept;
        break;
    case Outcome::Result::Failed:
        ++failed;
        break;
    case Outcome::Result::NotRun:
        ++notRun;
        break;
    }
}

bool drive(Engine &engine, const std::function<std::optional<NextJob>()> &feed, const Driving &driving)
{
    bool stopping = false;
    bool stopped = false;
    while (const std::optional<NextJob> next = feed()) {
        stopping = stopping || (driving.stop && driving.stop->load());
        if (stopping && !next->refused) {
            engine.skip(next->job);
            stopped = true;
            continue;
        }
        if (next->refused) {
            engine.refuse(next->job, next->refused);
        } else {
            if (driving.starting)
                driving.starting(next->job);
            engine.add(next->job);
        }
        if (driving.done)
            driving.done();
    }
    engine.finish();
    return stopped;
}

} // namespace hy3
