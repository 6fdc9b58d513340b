// SPDX-License-Identifier: MIT
#include "conversionrun.h"

#include "filesystem.h"

using namespace Qt::StringLiterals;

namespace hy3 {

namespace native = fs::native;

struct ConversionRun::OpenFolder
{
    std::shared_ptr<native::Folder> folder = std::make_shared<native::Folder>();
    native::Error error;
    bool swept = false; // leftover temporaries removed
};

ConversionRun::ConversionRun(Settings settings)
    : m_settings(settings)
    , m_writer(settings.group, settings.overwrite)
{
}

ConversionRun::~ConversionRun() = default;

const ConversionRun::OpenFolder &ConversionRun::folder(const QString &path, bool forOutput)
{
    std::shared_ptr<OpenFolder> &slot = m_folders[path];
    if (!slot) {
        slot = std::make_shared<OpenFolder>();
        slot->error = fs::openFolder(path, *slot->folder);
    }
    if (forOutput && !slot->error && !slot->swept && !m_settings.dryRun) {
        slot->swept = true;
        int removed = 0;
        (void)native::removeStaleTemporaries(*slot->folder, removed);
    }
    return *slot;
}

std::shared_ptr<const native::Folder> ConversionRun::outputFolder(const QString &path, const QString &destination)
{
    const OpenFolder &open = folder(path, true);
    if (open.error)
        throw DataError(open.error.cause, u"「%1」を作成できません（変換先のフォルダー: %2）"_s
                                              .arg(fs::shown(destination), causeText(open.error.cause, open.error.code)),
                        open.error.code);
    return open.folder;
}

// Refuses what must not be written over; returns whether a file of that name exists.
bool ConversionRun::checkDestination(const native::Folder &folder, const QString &name, const ConversionPaths &paths,
                                     DataFileReader &reader)
{
    native::Status existing;
    const native::Error look = native::statName(folder, fs::toNative(name), false, existing);
    if (look.cause == Cause::NotFound)
        return false;
    const QString cannotWrite = u"「%1」に書き込めません（%2）"_s;
    if (look)
        throw fs::failure(look, cannotWrite, paths.destination);
    switch (existing.type) {
    case native::Type::Regular:
        break;
    case native::Type::Link:
        throw fs::failure({Cause::LinkAtOutput, 0}, cannotWrite, paths.destination);
    case native::Type::Folder:
        throw fs::failure({Cause::FolderInTheWay, 0}, u"「%1」を作成できません（%2）"_s, paths.destination);
    default:
        throw fs::failure({Cause::NotRegularFile, 0}, cannotWrite, paths.destination);
    }
    if (existing.identity == reader.status().identity)
        throw DataError(Cause::SameFile, u"「%1」: 変換元と変換先が同じファイルです"_s.arg(fs::shown(paths.source)));
    if (const QString earlier = m_writer.writtenAs(existing.identity); !earlier.isEmpty())
        throw DataError(Cause::Clash, u"「%1」: 変換先「%2」は同じ一括変換で書き込んだ「%3」と同じファイルのため、変換しませんでした"_s
                                          .arg(fs::shown(paths.source), fs::shown(paths.destination), fs::shown(earlier)));
    return true;
}

std::unique_ptr<PendingOutput> ConversionRun::createOutput(std::shared_ptr<const native::Folder> folder,
                                                           const QString &destination, const QString &name)
{
    try {
        return std::make_unique<PendingOutput>(folder, destination, fs::toNative(name));
    } catch (const DataError &error) {
        if (error.cause() != Cause::TooManyOpenFiles || m_writer.isEmpty())
            throw;
    }
    commitGroup(); // the group's open files make room
    return std::make_unique<PendingOutput>(folder, destination, fs::toNative(name));
}

void ConversionRun::convert(DataKind kind, const ConversionPaths &paths, const QString &tag)
{
    if (const auto earlier = m_writtenBy.constFind(paths.destination); earlier != m_writtenBy.cend())
        throw DataError(Cause::Clash, u"「%1」: 変換先「%2」は同じ一括変換で「%3」から作成済みのため、変換しませんでした"_s
                                          .arg(fs::shown(paths.source), fs::shown(paths.destination),
                                               fs::shown(earlier.value())));
    const fs::PathParts source = fs::splitPath(paths.source);
    const fs::PathParts destination = fs::splitPath(paths.destination);

    const OpenFolder &sourceFolder = folder(source.folder, false);
    if (sourceFolder.error)
        throw DataError(sourceFolder.error.cause, u"「%1」を開けません（変換元のフォルダー: %2）"_s
                                                      .arg(fs::shown(paths.source),
                                                           causeText(sourceFolder.error.cause, sourceFolder.error.code)),
                        sourceFolder.error.code);
    DataFileReader reader(*sourceFolder.folder, source.name, paths.source, DataFileReader::Reading::Records);
    FileReport done;
    done.tag = tag;
    done.source = paths.source;
    done.destination = paths.destination;
    done.result = FileReport::Result::Converted;
    done.records = reader.count();
    if (reader.count() == 0) {
        checkOptions(kind, m_settings.columns, paths.source);
        done.result = FileReport::Result::NoRecords;
        return report(done);
    }
    // A dry run reads every record, as the real run would, and writes nothing.
    const auto checkOnly = [&] {
        convertRecords(kind, reader, m_settings.columns, [](QByteArrayView) {});
        done.firstName = reader.firstRecordName();
        report(done);
    };
    if (m_settings.dryRun && folder(destination.folder, true).error.cause == Cause::NotFound)
        return checkOnly(); // the real run creates the folder: nothing there to replace

    const auto target = outputFolder(destination.folder, paths.destination);
    done.replaced = checkDestination(*target, destination.name, paths, reader);
    if (done.replaced && !m_settings.overwrite) {
        done.result = FileReport::Result::Skipped;
        return report(done);
    }
    if (m_settings.dryRun)
        return checkOnly();

    std::unique_ptr<PendingOutput> output;
    convertRecords(kind, reader, m_settings.columns, [&](QByteArrayView bytes) {
        if (!output)
            output = createOutput(target, paths.destination, destination.name);
        output->write(bytes);
    });
    done.firstName = reader.firstRecordName();
    const int id = m_nextId++;
    m_pending.insert(id, done);
    m_writer.add(std::move(output), id);
    m_writtenBy.insert(paths.destination, paths.source);
    if (m_writer.isDue())
        commitGroup();
}

void ConversionRun::commitGroup()
{
    for (const Committed &committed : m_writer.commit()) {
        FileReport done = m_pending.take(committed.id);
        switch (committed.result) {
        case Committed::Result::Written:
            break;
        case Committed::Result::Kept:
            done.result = FileReport::Result::Skipped;
            break;
        case Committed::Result::Failed:
            done.result = FileReport::Result::Failed;
            done.message = committed.message;
            done.cause = committed.cause;
            done.code = committed.code;
            m_writtenBy.remove(done.destination);
            m_lateFailures.append(done);
            break;
        }
        report(done);
    }
}

QList<FileReport> ConversionRun::finish()
{
    if (!m_writer.isEmpty())
        commitGroup();
    return std::exchange(m_lateFailures, {});
}

void ConversionRun::report(const FileReport &done)
{
    if (m_sink)
        m_sink(done);
}

FinishBatch finishStep(ConversionRun &run)
{
    return [&run] {
        QList<BatchFailure> failures;
        for (const FileReport &report : run.finish())
            failures.append({report.tag, report.message});
        return failures;
    };
}

int convertFile(DataKind kind, const ConversionPaths &paths, const ColumnOptions &options)
{
    ConversionRun::Settings settings;
    settings.columns = options;
    ConversionRun run(settings);
    int records = 0;
    run.setReportSink([&records](const FileReport &done) { records = done.records; });
    run.convert(kind, paths);
    const QList<FileReport> failed = run.finish();
    if (!failed.isEmpty())
        throw DataError(failed.first().cause, failed.first().message, failed.first().code);
    return records;
}

} // namespace hy3
