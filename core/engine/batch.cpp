// SPDX-License-Identifier: MIT
#include "engine/batch.h"

#include "engine/engine.h"
#include "files/paths.h"
#include "format/dataerror.h"

namespace hy3 {

namespace {

constexpr qsizetype kFailuresKept = 100;

// A folder that is not there is said once, not once for every file.
bool destinationMissing(const QString &folder)
{
    fs::sys::Folder opened;
    const Cause cause = fs::sys::openFolder(fs::toNative(fs::withSeparator(folder)), opened).cause;
    return cause == Cause::NotFound || cause == Cause::NotAFolder;
}

// The selected rows as jobs, one at a time, in list order.
std::function<std::optional<NextJob>()> selectedRows(const BatchRequest &request)
{
    return [&request, at = qsizetype(0)]() mutable -> std::optional<NextJob> {
        for (; at < request.rows.size(); ++at) {
            const BatchRow &row = request.rows[at];
            if (!row.selected)
                continue;
            ++at;
            NextJob next;
            next.job.kind = request.kind;
            next.job.source = {fs::FolderPath(request.sourceFolder), row.fileName};
            next.job.destination.folder = fs::FolderPath(request.destinationFolder);
            next.refused = caught([&] { next.job.destination.name = destinationFileName(row.fileName); });
            return next;
        }
        return std::nullopt;
    };
}

} // namespace

float progressValue(int done, int selected)
{
    return static_cast<float>(static_cast<double>(done) / static_cast<double>(selected) * 100.0);
}

BatchSummary runBatch(const BatchRequest &request, const BatchCallbacks &callbacks)
{
    BatchSummary summary;
    const auto progress = [&](float value) {
        if (callbacks.progress)
            callbacks.progress(value);
    };
    progress(0.0f);
    if (request.rows.isEmpty())
        return summary;
    for (const BatchRow &row : request.rows)
        summary.selected += row.selected ? 1 : 0;
    if (summary.selected == 0) {
        summary.result = BatchSummary::Result::NoSelection;
        return summary;
    }
    if (destinationMissing(request.destinationFolder)) {
        summary.result = BatchSummary::Result::DestinationMissing;
        return summary;
    }

    EngineSettings settings;
    settings.columns = request.columns;
    settings.backup = request.backup;
    Engine engine(settings, [&summary, &callbacks](const Outcome &outcome) {
        if (callbacks.outcome)
            callbacks.outcome(outcome);
        summary.tally.count(outcome);
        if (outcome.result == Outcome::Result::Failed && summary.failures.size() < kFailuresKept)
            summary.failures.append(outcome);
    });
    int done = 0;
    Driving driving;
    driving.stop = callbacks.stop;
    driving.starting = [&](const Job &job) {
        if (callbacks.starting)
            callbacks.starting({job.source.text(), job.destination.text()});
    };
    driving.done = [&] { progress(progressValue(++done, summary.selected)); };
    const bool stopped = drive(engine, selectedRows(request), driving);
    summary.result = stopped ? BatchSummary::Result::Stopped : BatchSummary::Result::Ran;
    return summary;
}

} // namespace hy3
