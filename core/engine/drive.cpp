// SPDX-License-Identifier: MIT
#include "engine/drive.h"

#include <deque>

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

namespace {

// Jobs taken from the feed before they are run, so that their sources can be
// read meanwhile (see ReadAhead).
constexpr std::size_t kJobsAhead = 16;

} // namespace

bool drive(Engine &engine, const std::function<std::optional<NextJob>()> &feed, const Driving &driving)
{
    std::deque<NextJob> ahead;
    bool fed = false; // the feed has given its last job
    const auto nextJob = [&]() -> std::optional<NextJob> {
        while (!fed && ahead.size() < kJobsAhead) {
            std::optional<NextJob> next = feed();
            if (!next) {
                fed = true;
                break;
            }
            if (!next->refused && !(driving.stop && driving.stop->load()))
                engine.expect(next->job);
            ahead.push_back(std::move(*next));
        }
        if (ahead.empty())
            return std::nullopt;
        NextJob next = std::move(ahead.front());
        ahead.pop_front();
        return next;
    };
    bool stopping = false;
    bool stopped = false;
    while (const std::optional<NextJob> next = nextJob()) {
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
