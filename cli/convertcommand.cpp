// SPDX-License-Identifier: MIT
#include "commands.h"

#include "batch.h"
#include "conversionrun.h"
#include "cp932.h"
#include "filesystem.h"
#include "sources.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace {

const QString kNotFound = u"指定したフォルダ(ドライブ)からは、データファイルは発見されませんでした。"_s;

QString kindName(DataKind kind)
{
    return kind == DataKind::Standard ? u"hyo"_s : u"hyp"_s;
}

QString resultName(FileReport::Result result, bool dryRun)
{
    switch (result) {
    case FileReport::Result::Converted:
        return dryRun ? u"would-convert"_s : u"converted"_s;
    case FileReport::Result::NoRecords:
        return u"no-records"_s;
    case FileReport::Result::Skipped:
        return u"skipped"_s;
    case FileReport::Result::Failed:
        return u"failed"_s;
    }
    return u"failed"_s;
}

// What a run of convert says about its files, in plain lines or one JSON document.
class ConvertReport
{
public:
    ConvertReport(const Request &request, Console &console, const QList<Job> &jobs)
        : m_request(request)
        , m_console(console)
        , m_jobs(jobs)
        , m_reports(jobs.size())
    {
    }

    void done(qsizetype index, const FileReport &report)
    {
        if (report.result == FileReport::Result::Failed)
            return failed(index, report.message, report.cause, report.code);
        m_reports[index] = report;
        m_seen.insert(index);
        printReady();
    }

    void failed(qsizetype index, const QString &message, Cause cause, int code)
    {
        FileReport &report = m_reports[index];
        report.result = FileReport::Result::Failed;
        report.message = message;
        report.cause = cause;
        report.code = code;
        m_seen.insert(index);
        m_failed = true;
        m_console.message(message);
        printReady();
    }

    [[nodiscard]] bool anyFailed() const { return m_failed; }

    [[nodiscard]] QByteArray json(const QStringList &problems) const
    {
        QJsonArray files;
        int counts[4] = {};
        for (qsizetype i = 0; i < m_jobs.size(); ++i) {
            const Job &job = m_jobs[i];
            const FileReport &report = m_reports[i];
            QJsonObject file{{u"source"_s, fs::shown(job.source)},
                             {u"kind"_s, kindName(job.kind)},
                             {u"output"_s, fs::shown(job.output)}};
            if (!m_seen.contains(i)) {
                file.insert(u"result"_s, u"not-run"_s);
                files.append(file);
                continue;
            }
            ++counts[static_cast<int>(report.result)];
            file.insert(u"result"_s, resultName(report.result, m_request.dryRun));
            if (report.result == FileReport::Result::Failed) {
                file.insert(u"error"_s, QJsonObject{{u"message"_s, report.message},
                                                    {u"code"_s, causeId(report.cause)},
                                                    {u"systemError"_s, report.code}});
            } else {
                file.insert(u"records"_s, report.records);
                if (report.records > 0 && report.result != FileReport::Result::Skipped)
                    file.insert(u"firstName"_s, decodeCp932(report.firstName));
                file.insert(u"replaced"_s, report.replaced);
            }
            files.append(file);
        }
        QJsonArray errors;
        for (const QString &problem : problems)
            errors.append(problem);
        const QJsonObject root{{u"command"_s, u"convert"_s},
                               {u"dryRun"_s, m_request.dryRun},
                               {u"files"_s, files},
                               {u"errors"_s, errors},
                               {u"converted"_s, counts[static_cast<int>(FileReport::Result::Converted)]},
                               {u"noRecords"_s, counts[static_cast<int>(FileReport::Result::NoRecords)]},
                               {u"skipped"_s, counts[static_cast<int>(FileReport::Result::Skipped)]},
                               {u"failed"_s, counts[static_cast<int>(FileReport::Result::Failed)]}};
        return QJsonDocument(root).toJson(QJsonDocument::Indented);
    }

private:
    // Files report when they are final (one without records at once, a
    // converted one when its group is committed); lines still come in file order.
    void printReady()
    {
        while (m_printed < m_jobs.size() && m_seen.contains(m_printed))
            printLine(m_reports[m_printed++]);
    }

    void printLine(const FileReport &report)
    {
        if (m_request.json || m_request.quiet || report.result == FileReport::Result::Failed)
            return;
        const QString source = Console::escaped(fs::shown(report.source));
        const QString destination = Console::escaped(fs::shown(report.destination));
        const bool counts = m_request.verbose || m_request.isFolderPairForm();
        const QString count = counts ? u"（%1 行）"_s.arg(report.records) : QString();
        switch (report.result) {
        case FileReport::Result::Converted:
            if (m_request.dryRun)
                m_console.data(u"変換します%1: %2 → %3%4"_s.arg(report.replaced ? u"（上書き）"_s : QString(), source,
                                                              destination, count));
            else
                m_console.data(u"変換しました: %1 → %2%3"_s.arg(source, destination, count));
            break;
        case FileReport::Result::NoRecords:
            m_console.data(u"データ行がないため変換しませんでした: %1"_s.arg(source));
            break;
        case FileReport::Result::Skipped:
            m_console.data(u"既にあるため変換しませんでした: %1"_s.arg(destination));
            break;
        case FileReport::Result::Failed:
            break;
        }
    }

    const Request &m_request;
    Console &m_console;
    const QList<Job> &m_jobs;
    QList<FileReport> m_reports;
    QSet<qsizetype> m_seen;
    qsizetype m_printed = 0;
    bool m_failed = false;
};

QStringList sourceOperands(const Request &request, QIODevice &standardInput, QStringList &problems)
{
    QStringList operands = request.operands;
    if (!request.filesFrom)
        return operands;
    QByteArray list;
    if (*request.filesFrom == u"-") {
        list = standardInput.readAll();
    } else {
        QFile file(*request.filesFrom);
        if (!file.open(QIODevice::ReadOnly))
            problems.append(u"変換元の一覧「%1」を読み込めません（%2）"_s.arg(fs::shown(*request.filesFrom),
                                                                          file.errorString()));
        list = file.readAll();
    }
    return operands + pathsFromList(list, request.nullSeparated);
}

Expansion jobsOf(const Request &request, QIODevice &standardInput)
{
    if (request.isFolderPairForm())
        return folderPairJobs(request.operands[0], request.operands[1], *request.kind, request.operands.mid(2));
    QStringList problems;
    const QStringList operands = sourceOperands(request, standardInput, problems);
    Expansion expansion = expandOperands(operands, request.kind, request.recursive, *request.outputFolder);
    expansion.problems = problems + expansion.problems;
    return expansion;
}

// Creates the output folder, or says why it can't; a dry run creates nothing.
bool prepareFolder(const QString &folder, const Request &request, QSet<QString> &made, Console &console)
{
    if (request.dryRun || request.isFolderPairForm() || made.contains(folder))
        return true;
    made.insert(folder);
    if (const fs::native::Error error = fs::native::makeFolders(fs::toNative(folder))) {
        console.message(fs::failure(error, u"出力先のフォルダー「%1」を作成できません（%2）"_s, folder).message());
        return false;
    }
    return true;
}

} // namespace

int runConvert(const Request &request, Console &console, QIODevice &standardInput)
{
    const Expansion expansion = jobsOf(request, standardInput);
    for (const QString &problem : expansion.problems)
        console.message(problem);
    if (expansion.jobs.isEmpty()) {
        if (request.json)
            console.document(ConvertReport(request, console, expansion.jobs).json(expansion.problems));
        if (!expansion.problems.isEmpty())
            return ExitFailure;
        console.message(kNotFound);
        return ExitNotFound;
    }

    ConversionRun::Settings settings;
    settings.columns = request.columns;
    settings.overwrite = !request.noOverwrite;
    settings.dryRun = request.dryRun;
    ConversionRun run(settings);
    ConvertReport report(request, console, expansion.jobs);
    run.setReportSink([&](const FileReport &done) { report.done(done.tag.toLongLong(), done); });

    QList<BatchRow> rows;
    for (qsizetype i = 0; i < expansion.jobs.size(); ++i)
        rows.append({QString::number(i), true});
    QSet<QString> madeFolders;
    int done = 0;
    const auto convert = [&](DataKind, const QString &tag) {
        const qsizetype index = tag.toLongLong();
        const Job &job = expansion.jobs[index];
        if (!request.quiet && !request.json)
            console.progress(done, static_cast<int>(expansion.jobs.size()), job.label);
        ++done;
        try {
            if (!prepareFolder(fs::splitPath(job.output).folder, request, madeFolders, console))
                throw DataError(Cause::NotFound, u"「%1」を作成できません（出力先のフォルダーがありません）"_s.arg(fs::shown(job.output)));
            run.convert(job.kind, {job.source, job.output}, tag);
        } catch (const DataError &error) {
            report.failed(index, error.message(), error.cause(), error.code());
            throw;
        } catch (const std::bad_alloc &) {
            report.failed(index, u"「%1」: %2"_s.arg(fs::shown(job.source), causeText(Cause::OutOfMemory)), Cause::OutOfMemory, 0);
            throw;
        }
    };
    const BatchSummary summary =
        runBatch(rows, request.kind.value_or(DataKind::Standard), convert, [](float) {}, finishStep(run));
    console.endProgress();
    if (request.json)
        console.document(report.json(expansion.problems));
    return summary.failures.isEmpty() && !report.anyFailed() && expansion.problems.isEmpty() ? ExitSuccess : ExitFailure;
}

} // namespace hy3::cli
