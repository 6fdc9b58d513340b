// SPDX-License-Identifier: MIT
#include "commands.h"

#include "convertreport.h"
#include "engine/drive.h"
#include "files/newfile.h"
#include "messages.h"
#include "files/paths.h"
#include "sources.h"
#include "sourcelist.h"

#include <atomic>
#include <deque>
#include <thread>

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace {

Sources sourcesOf(const Request &request, SourceList &list)
{
    if (request.isFolderPairForm())
        return Sources::folderPair(request.operands[0], request.operands[1], *request.kind, request.operands.mid(2));
    return Sources([&list] { return list.next(); }, request.kind, request.recursive, request.outputFolder);
}

// How many files the operands name, found by a walk of its own beside the
// conversion's, for the progress line; 0 until the walk is over.
class FileCount
{
public:
    FileCount(const Request &request, SourceList list)
        : m_walk([this, &request, list = std::move(list)](std::stop_token stop) mutable {
            Sources sources = sourcesOf(request, list);
            int files = 0;
            while (!stop.stop_requested()) {
                const std::optional<SourceItem> item = sources.next();
                if (!item) {
                    m_total.store(files);
                    return;
                }
                files += item->failure ? 0 : 1;
            }
        })
    {
    }

    [[nodiscard]] int total() const { return m_total.load(); }

private:
    std::atomic<int> m_total{0};
    std::jthread m_walk;
};

// The folder-pair form writes into a folder that must be there: said once,
// not once for every file.
bool destinationIsThere(const Request &request, Console &console)
{
    if (!request.isFolderPairForm())
        return true;
    const QString folder = fs::withSeparator(request.operands[1]);
    fs::sys::Folder opened;
    const fs::sys::Error error = fs::sys::openFolder(fs::toNative(folder), opened);
    if (error.cause != Cause::NotFound && error.cause != Cause::NotAFolder)
        return true;
    console.message(Messages::destinationMissing(folder));
    return false;
}

} // namespace

int runConvert(const Request &request, Console &console, const std::atomic<bool> &stop)
{
    SourceList list(request.isFolderPairForm() ? QStringList() : request.operands);
    if (request.filesFrom && !request.isFolderPairForm()) {
        if (const QString problem = list.readFrom(*request.filesFrom, request.nullSeparated);
            !problem.isEmpty()) {
            console.message(problem);
            return ExitFailure;
        }
    }
    if (!destinationIsThere(request, console))
        return ExitFailure;
    const bool progress = console.showsProgress() && !request.quiet && !request.json;
    std::optional<FileCount> count;
    if (progress)
        count.emplace(request, list);
    Sources sources = sourcesOf(request, list);
    EngineSettings settings;
    settings.columns = request.columns;
    settings.overwrite = !request.noOverwrite;
    settings.dryRun = request.dryRun;
    settings.makeFolders = request.isFolderPairForm() ? MakeFolders::None : MakeFolders::All;
    settings.backup = backupPolicy(request);
    // The report file is started before the first file: a place it can't
    // be written is said before anything is converted.
    fs::NewFile reportFile;
    if (request.report) {
        if (const Failure failure = reportFile.start(*request.report)) {
            console.message(Messages::reportUnwritable(*request.report, failure));
            return ExitFailure;
        }
    }
    ConvertReport report(request, console, request.report ? &reportFile : nullptr);
    Engine engine(settings, [&report](const Outcome &outcome) { report.outcome(outcome); });
    std::deque<QString> labels; // of the jobs the feed handed out, not yet started
    const auto feed = [&]() -> std::optional<NextJob> {
        while (std::optional<SourceItem> item = sources.next()) {
            if (item->failure) {
                report.problem(*item);
                continue;
            }
            labels.push_back(item->label);
            report.fed();
            return NextJob{std::move(item->job), {}};
        }
        return std::nullopt;
    };
    int started = 0;
    Driving driving;
    driving.stop = &stop;
    driving.starting = [&](const Job &) {
        if (progress)
            console.progress(++started, count->total(), labels.front());
        labels.pop_front();
    };
    drive(engine, feed, driving);
    console.endProgress();
    if (request.verbose && !request.dryRun) {
        const GroupCommitter::Flushes &flushes = engine.flushes();
        console.message(Messages::flushes(flushes.byFileSystem, flushes.batched, flushes.onTheirOwn));
    }
    report.finish(sources.hiddenFiles());
    bool written = console.flush();
    if (request.report) {
        if (const Failure failure = reportFile.finish()) {
            console.message(Messages::reportUnwritable(*request.report, failure));
            written = false;
        }
    }
    if (stop.load()) {
        console.message(Messages::stopped(report.tally().converted, report.tally().notRun));
        return ExitStopped;
    }
    if (report.tally().files() == 0 && !report.anyFailed()) {
        console.message(Messages::notFound());
        return ExitNotFound;
    }
    return report.anyFailed() || !written ? ExitFailure : ExitSuccess;
}

} // namespace hy3::cli
