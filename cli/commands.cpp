#include "commands.h"

#include "batch.h"
#include "conversionrun.h"
#include "cp932.h"
#include "filesystem.h"
#include "listing.h"

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace {
const QString kNotFound = u"指定したフォルダ(ドライブ)からは、データファイルは発見されませんでした。"_s;
}

int RunConvert(const Request &request, QTextStream &out, QTextStream &err)
{
    QStringList files = request.operands.mid(2);
    if (files.isEmpty()) {
        const ListingResult listing = listDataFiles(request.operands.at(0), request.kind);
        if (listing.outcome == ListingResult::Outcome::NotFound) {
            err << kNotFound << Qt::endl;
            return ExitNotFound;
        }
        if (listing.outcome == ListingResult::Outcome::Failed) {
            err << listing.errorNumber << u':' << listing.errorDescription << Qt::endl;
            return ExitFailure;
        }
        for (const ListingRow &row : listing.rows)
            files.append(row.fileName);
    }
    QList<BatchRow> rows;
    for (const QString &file : files)
        rows.append({file, true});

    ConversionRun::Settings settings;
    settings.columns = request.options;
    ConversionRun run(settings);
    run.setReportSink([&](const FileReport &report) {
        const QString source = fs::shown(report.source);
        switch (report.result) {
        case FileReport::Result::Converted:
            out << u"変換しました: %1 → %2（%3 行）"_s.arg(source, fs::shown(report.destination)).arg(report.records)
                << Qt::endl;
            break;
        case FileReport::Result::NoRecords:
            out << u"データ行がないため変換しませんでした: %1"_s.arg(source) << Qt::endl;
            break;
        case FileReport::Result::Skipped:
            break;
        case FileReport::Result::Failed:
            err << report.message << Qt::endl;
            break;
        }
    });
    const auto convert = [&](DataKind kind, const QString &name) {
        try {
            run.convert(kind, pathsFor(request.operands.at(0), request.operands.at(1), name), name);
        } catch (const DataError &error) {
            err << error.message() << Qt::endl;
            throw;
        }
    };
    const auto finish = [&run] {
        QList<BatchFailure> failures;
        for (const FileReport &report : run.finish())
            failures.append({report.tag, report.message});
        return failures;
    };
    const BatchSummary summary = runBatch(rows, request.kind, convert, [](float) {}, finish);
    return summary.failures.isEmpty() ? ExitSuccess : ExitFailure;
}

int RunList(const Request &request, QTextStream &out, QTextStream &err)
{
    const ListingResult listing = listDataFiles(request.operands.at(0), request.kind);
    for (const ListingRow &row : listing.rows)
        out << fs::shown(row.fileName) << u'\t' << decodeCp932(row.firstName) << u'\t' << row.recordCount << Qt::endl;
    switch (listing.outcome) {
    case ListingResult::Outcome::Found:
        return ExitSuccess;
    case ListingResult::Outcome::NotFound:
        err << kNotFound << Qt::endl;
        return ExitNotFound;
    case ListingResult::Outcome::Failed:
        err << listing.errorNumber << u':' << listing.errorDescription << Qt::endl;
        return ExitFailure;
    }
    return ExitFailure;
}

} // namespace hy3::cli
