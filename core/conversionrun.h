// SPDX-License-Identifier: MIT
#pragma once

#include "batch.h"
#include "convert.h"
#include "dataerror.h"
#include "folderpath.h"
#include "groupwriter.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace hy3 {

// What became of one file of a run.
struct FileReport
{
    enum class Result { Converted, NoRecords, Skipped, Failed };

    QString tag; // the caller's own name for the file
    QString source;
    QString destination;
    Result result = Result::Failed;
    int records = 0;
    QByteArray firstName; // the first record's Name, once the file has been read
    bool replaced = false; // an earlier file of the destination's name was (or, in a dry run, would be) replaced
    QString message;       // Failed: names the file and the cause
    Cause cause = Cause::None;
    int code = 0;
};

// The conversions of one batch. Folders are opened once; outputs are written
// as temporaries and committed in groups (see GroupWriter); a leftover
// temporary of an earlier, killed run is removed from a destination folder the
// first time the run writes there. Nothing outside a destination folder is
// created or changed: a link standing at an output name is refused.
class ConversionRun
{
public:
    struct Settings
    {
        ColumnOptions columns;
        bool overwrite = true; // false: an existing output is left alone and reported as skipped
        bool dryRun = false;   // read and check everything, write nothing
        GroupLimits group;
    };

    explicit ConversionRun(Settings settings);
    ConversionRun(const ConversionRun &) = delete;
    ConversionRun &operator=(const ConversionRun &) = delete;
    // Outputs not yet committed are removed.
    ~ConversionRun();

    // Receives each file's report once it is final: at once for a file
    // without records, a skipped file and in a dry run; when its group is
    // committed for a converted file. Failures thrown by convert() are not reported here.
    using ReportSink = std::function<void(const FileReport &report)>;
    void setReportSink(ReportSink sink) { m_sink = std::move(sink); }

    // Converts one old file of `kind`. A failure found while converting is
    // thrown as DataError naming the file and the cause; the output then
    // stays as it was.
    void convert(DataKind kind, const ConversionPaths &paths, const QString &tag = {});

    // Commits what is pending. Returns the files that failed only then (also
    // reported to the sink), in the order they were converted.
    [[nodiscard]] QList<FileReport> finish();

private:
    struct OpenFolder;

    const OpenFolder &folder(const QString &path, bool forOutput);
    std::shared_ptr<const fs::native::Folder> outputFolder(const QString &path, const QString &destination);
    bool checkDestination(const fs::native::Folder &folder, const QString &name, const ConversionPaths &paths,
                          DataFileReader &reader);
    std::unique_ptr<PendingOutput> createOutput(std::shared_ptr<const fs::native::Folder> folder,
                                                const QString &destination, const QString &name);
    void commitGroup();
    void report(const FileReport &report);

    Settings m_settings;
    ReportSink m_sink;
    GroupWriter m_writer;
    QHash<QString, std::shared_ptr<OpenFolder>> m_folders;
    QHash<QString, QString> m_writtenBy; // destination -> the source written there in this run
    QHash<int, FileReport> m_pending;    // by the writer's id
    int m_nextId = 0;
    QList<FileReport> m_lateFailures;
};

// runBatch's last step for a batch converted through `run`: commit what is
// pending, and name the files that failed only then.
[[nodiscard]] FinishBatch finishStep(ConversionRun &run);

// One file converted on its own, committed at once; returns the number of
// records written (0: the source has none and nothing was written). Throws
// DataError naming the file and the cause; the destination then stays as it was.
int convertFile(DataKind kind, const ConversionPaths &paths, const ColumnOptions &options);

} // namespace hy3
