// SPDX-License-Identifier: MIT
#include "commands.h"

#include "engine/drive.h"
#include "files/newfile.h"
#include "runreport.h"
#include "jsonwriter.h"
#include "messages.h"
#include "files/paths.h"
#include "sources.h"
#include "sourcelist.h"

#include <QJsonArray>

#include <atomic>
#include <thread>

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace {

QString resultName(Outcome::Result result, bool dryRun)
{
    switch (result) {
    case Outcome::Result::Converted:
        return dryRun ? u"would-convert"_s : u"converted"_s;
    case Outcome::Result::Unchanged:
        return u"unchanged"_s;
    case Outcome::Result::NoRecords:
        return u"no-records"_s;
    case Outcome::Result::Kept:
        return u"skipped"_s;
    case Outcome::Result::Failed:
        return u"failed"_s;
    case Outcome::Result::NotRun:
        return u"not-run"_s;
    }
    return u"failed"_s;
}

// What a run of convert says about its files, as they are final: plain lines
// or the elements of one JSON document on standard output, and the same
// record in a report file (CSV, or that JSON document).
class ConvertReport
{
public:
    ConvertReport(const Request &request, Console &console, fs::NewFile *file)
        : m_request(request)
        , m_console(console)
    {
        if (m_request.json)
            m_json.emplace(console);
        if (file && m_request.report->endsWith(u".json"_s, Qt::CaseInsensitive))
            m_fileJson.emplace([file](QByteArrayView bytes) { file->write(bytes); });
        else if (file)
            m_csv.emplace([file](QByteArrayView bytes) { file->write(bytes); }, m_request.dryRun);
        for (JsonWriter *json : documents()) {
            json->beginObject();
            json->value(u"command", u"convert"_s);
            json->value(u"dryRun", m_request.dryRun);
            json->beginArray(u"files");
        }
    }

    void outcome(const Outcome &outcome)
    {
        m_tally.count(outcome);
        const bool failed = outcome.result == Outcome::Result::Failed;
        if (failed)
            m_console.message(Messages::failureOf(outcome));
        if (m_csv)
            m_csv->add(outcome);
        for (JsonWriter *json : documents())
            json->value(fileObject(outcome));
        if (m_request.json || failed || outcome.result == Outcome::Result::NotRun || m_request.quiet)
            return;
        const bool withCount = m_request.verbose || m_request.isFolderPairForm();
        m_console.data(Console::escaped(Messages::outcomeLine(outcome, m_request.dryRun, withCount)));
    }

    void problem(const SourceItem &item)
    {
        const QString message = Messages::failure(item.path(), item.failure);
        m_console.message(message);
        m_problems.append(message);
        if (m_csv)
            m_csv->addProblem(item.path(), item.failure);
    }

    [[nodiscard]] const Tally &tally() const { return m_tally; }
    [[nodiscard]] bool anyFailed() const { return m_tally.failed > 0 || !m_problems.isEmpty(); }

    void finish(int hiddenFiles)
    {
        if (hiddenFiles > 0)
            m_console.message(Messages::hiddenFilesLeftOut(hiddenFiles));
        for (JsonWriter *json : documents()) {
            json->endArray();
            json->value(u"errors", QJsonArray::fromStringList(m_problems));
            json->value(u"converted", m_tally.converted);
            json->value(u"unchanged", m_tally.unchanged);
            json->value(u"noRecords", m_tally.noRecords);
            json->value(u"skipped", m_tally.kept);
            json->value(u"failed", m_tally.failed);
            json->value(u"notRun", m_tally.notRun);
            json->value(u"hidden", hiddenFiles);
            json->endObject();
        }
    }

private:
    std::vector<JsonWriter *> documents()
    {
        std::vector<JsonWriter *> all;
        for (std::optional<JsonWriter> *json : {&m_json, &m_fileJson}) {
            if (*json)
                all.push_back(&**json);
        }
        return all;
    }

    QJsonObject fileObject(const Outcome &outcome) const
    {
        QJsonObject file;
        putPath(file, u"source"_s, outcome.source);
        file.insert(u"kind"_s, layoutInfo(layoutOf(outcome.kind)).id.toString());
        putPath(file, u"output"_s, outcome.destination);
        file.insert(u"result"_s, resultName(outcome.result, m_request.dryRun));
        if (outcome.result == Outcome::Result::Failed || outcome.result == Outcome::Result::NotRun) {
            file.insert(u"error"_s, errorObject(outcome.failure, Messages::failureOf(outcome)));
            return file;
        }
        file.insert(u"records"_s, outcome.records);
        if (outcome.records > 0
            && (outcome.result == Outcome::Result::Converted || outcome.result == Outcome::Result::Unchanged))
            putName(file, u"firstName"_s, outcome.firstName);
        file.insert(u"replaced"_s, outcome.replaced);
        if (!outcome.backup.isEmpty())
            putPath(file, u"backup"_s, outcome.backup);
        return file;
    }

    const Request &m_request;
    Console &m_console;
    std::optional<JsonWriter> m_json;     // standard output
    std::optional<JsonWriter> m_fileJson; // the report, as JSON
    std::optional<CsvReport> m_csv;       // the report, as CSV
    Tally m_tally;
    QStringList m_problems;
};

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
    QString label; // of the job the feed handed out last
    const auto feed = [&]() -> std::optional<NextJob> {
        while (std::optional<SourceItem> item = sources.next()) {
            if (item->failure) {
                report.problem(*item);
                continue;
            }
            label = item->label;
            return NextJob{std::move(item->job), {}};
        }
        return std::nullopt;
    };
    int started = 0;
    Driving driving;
    driving.stop = &stop;
    driving.starting = [&](const Job &) {
        if (progress)
            console.progress(++started, count->total(), label);
    };
    drive(engine, feed, driving);
    console.endProgress();
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
