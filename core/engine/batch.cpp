// SPDX-License-Identifier: MIT
#include "engine/batch.h"

#include "format/dataerror.h"
#include "engine/engine.h"
#include "files/paths.h"

namespace hy3 {

namespace {

constexpr qsizetype kFailuresKept = 100;

void count(BatchSummary &summary, const Outcome &outcome)
{
    switch (outcome.result) {
    case Outcome::Result::Converted:
        ++summary.converted;
        break;
    case Outcome::Result::NoRecords:
    case Outcome::Result::Kept:
        break;
    case Outcome::Result::Failed:
        ++summary.failed;
        if (summary.failures.size() < kFailuresKept)
            summary.failures.append(outcome);
        break;
    case Outcome::Result::NotRun:
        ++summary.notRun;
        break;
    }
}

// A folder that is not there is said once, not once for every file.
bool destinationMissing(const QString &folder)
{
    fs::sys::Folder opened;
    const Cause cause = fs::sys::openFolder(fs::toNative(fs::withSeparator(folder)), opened).cause;
    return cause == Cause::NotFound || cause == Cause::NotAFolder;
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
    summary.result = BatchSummary::Result::Ran;
    EngineSettings settings;
    settings.columns = request.columns;
    Engine engine(settings, [&summary](const Outcome &outcome) { count(summary, outcome); });
    int done = 0;
    for (const BatchRow &row : request.rows) {
        if (!row.selected)
            continue;
        const bool stopping = callbacks.stop && callbacks.stop->load();
        Job job{QString(), QString(), request.kind};
        try {
            const ConversionPaths paths = pathsFor(request.sourceFolder, request.destinationFolder, row.fileName);
            job.source = paths.source;
            job.destination = paths.destination;
        } catch (const DataError &error) {
            job.source = fs::withSeparator(request.sourceFolder) + row.fileName;
            engine.refuse(job, error.failure());
            progress(progressValue(++done, summary.selected));
            continue;
        }
        if (stopping) {
            summary.result = BatchSummary::Result::Stopped;
            engine.skip(job);
            continue;
        }
        if (callbacks.starting)
            callbacks.starting({job.source, job.destination});
        engine.add(job);
        progress(progressValue(++done, summary.selected));
    }
    engine.finish();
    return summary;
}

} // namespace hy3
