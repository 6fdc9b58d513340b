// SPDX-License-Identifier: MIT
#include "engine/writingplanner.h"

#include "files/paths.h"
#include "format/dataerror.h"
#include "format/datafile.h"
#include "fs/tempfile.h"

namespace hy3 {

namespace sys = fs::sys;

Failure WritingPlanner::openOutputFolder(const Job &job, std::shared_ptr<OpenFolder> &folder, int &number)
{
    if (const Failure failure = withRoom([&] {
            return outputFolderFailure(m_folders.open(job.destination.folder, m_settings.makeFolders, folder));
        }))
        return failure;
    sys::Identity identity;
    if (const sys::Error error = m_folders.identity(*folder, identity))
        return error.during(Action::OpenOutputFolder);
    number = m_written.folder(identity);
    if (!folder->swept) {
        folder->swept = true;
        int removed = 0;
        (void)fs::removeLeftovers(*folder->folder, removed);
    }
    return {};
}

Failure WritingPlanner::complete(const Job &job, DataFileReader &reader, const std::shared_ptr<OpenFolder> &folder,
                                 int number, Planned &planned)
{
    std::unique_ptr<fs::TemporaryFile> file;
    if (const Failure failure = withRoom([&] {
            return fs::TemporaryFile::create(folder->folder, file).during(Action::CreateOutput);
        }))
        return failure;
    const QString &name = job.destination.name;
    if (!m_written.foldsCase(number)) {
        learnCaseFolding(number, *file);
        if (const auto earlier = writtenBefore(number, name)) {
            planned.outcome.earlier = earlier->source;
            return {Cause::Clash};
        }
    }
    if (const Failure failure = caught([&] {
            convertRecords(job.kind, reader, m_settings.columns, [&](QByteArrayView bytes) {
                if (const sys::Error error = file->write(bytes.data(), static_cast<std::size_t>(bytes.size())))
                    throw DataError(error.during(Action::WriteOutput));
            });
        }))
        return failure;
    planned.outcome.firstName = reader.firstRecordName();
    planned.outcome.result = Outcome::Result::Converted;
    const int written = m_written.add(number, name, job.source, file->identity());
    planned.output = ReadyOutput{std::move(file), folder, number, fs::toNative(name), written};
    return {};
}

} // namespace hy3
