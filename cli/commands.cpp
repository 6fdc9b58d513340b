#include "commands.h"

#include "batch.h"
#include "cp932.h"
#include "listing.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace {

// Every named file is a selected row; each result is printed as it comes.
class FileListBatch final : public BatchTarget
{
public:
    FileListBatch(const Request &request, QStringList files, QTextStream &out, QTextStream &err)
        : m_request(request), m_files(std::move(files)), m_out(out), m_err(err)
    {
    }

    int rowCount() const override { return static_cast<int>(m_files.size()); }
    QString rowText(int row) const override { return m_files.at(row - 1); }
    bool isRowSelected(int) const override { return true; }
    DataKind chosenKind() const override { return m_request.kind; }

    void convert(DataKind kind, const QString &oldName) override
    {
        m_paths = PathsFor(m_request.operands.at(0), m_request.operands.at(1), oldName);
        m_written = ConvertFile(kind, m_paths, m_request.options);
    }

    void showProgress(float) override {}
    void reportNoSelection() override {}

    void fileFinished(const QString &, const QString &error) override
    {
        if (!error.isEmpty()) {
            m_err << error << Qt::endl;
            return;
        }
        const QString source = QDir::toNativeSeparators(m_paths.source);
        if (m_written == 0)
            m_out << u"データ行がないため変換しませんでした: %1"_s.arg(source) << Qt::endl;
        else
            m_out << u"変換しました: %1 → %2（%3 行）"_s.arg(source, QDir::toNativeSeparators(m_paths.destination))
                         .arg(m_written)
                  << Qt::endl;
    }

private:
    const Request &m_request;
    QStringList m_files;
    QTextStream &m_out;
    QTextStream &m_err;
    ConversionPaths m_paths;
    int m_written = 0;
};

} // namespace

int RunConvert(const Request &request, QTextStream &out, QTextStream &err)
{
    QStringList files = request.operands.mid(2);
    if (files.isEmpty()) {
        const ListingResult listing = ListDataFiles(request.operands.at(0), request.kind);
        if (listing.outcome == ListingResult::Outcome::NotFound) {
            err << QString::fromUtf16(kNotFoundPrompt) << Qt::endl;
            return ExitNotFound;
        }
        if (listing.outcome == ListingResult::Outcome::Failed) {
            err << listing.errorNumber << u':' << listing.errorDescription << Qt::endl;
            return ExitFailure;
        }
        for (const ListingRow &row : listing.rows)
            files.append(row.fileName);
    }
    FileListBatch batch(request, files, out, err);
    const BatchSummary summary = RunBatch(batch);
    return summary.failures.isEmpty() ? ExitSuccess : ExitFailure;
}

int RunList(const Request &request, QTextStream &out, QTextStream &err)
{
    const ListingResult listing = ListDataFiles(request.operands.at(0), request.kind);
    for (const ListingRow &row : listing.rows)
        out << row.fileName << u'\t' << DecodeCp932(row.firstName) << u'\t' << row.recordCount << Qt::endl;
    switch (listing.outcome) {
    case ListingResult::Outcome::Found:
        return ExitSuccess;
    case ListingResult::Outcome::NotFound:
        err << QString::fromUtf16(kNotFoundPrompt) << Qt::endl;
        return ExitNotFound;
    case ListingResult::Outcome::Failed:
        err << listing.errorNumber << u':' << listing.errorDescription << Qt::endl;
        return ExitFailure;
    }
    return ExitFailure;
}

} // namespace hy3::cli
