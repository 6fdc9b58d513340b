// SPDX-License-Identifier: MIT
#include "engine/dryrunplanner.h"

#include "files/paths.h"
#include "format/dataerror.h"
#include "format/datafile.h"
#include "fs/tempfile.h"

#include <QHashFunctions>

namespace hy3 {

namespace sys = fs::sys;

Failure DryRunPlanner::openOutputFolder(const Job &job, std::shared_ptr<OpenFolder> &folder, int &number)
{
    const fs::FolderPath &path = job.destination.folder;
    sys::Error error;
    (void)withRoom([&] {
        error = m_folders.open(path, MakeFolders::None, folder);
        return error.during(Action::None);
    });
    if (error.cause == Cause::NotFound && m_settings.makeFolders != MakeFolders::None) {
        // The real run makes it: what matters is whether it could.
        folder.reset();
        const QString existing = nearestExistingFolder(path.text());
        if (const sys::Error unwritable =
                sys::checkWritable(fs::toNative(existing.isEmpty() ? QStringLiteral("./") : existing)))
            return unwritable.during(Action::MakeOutputFolder);
        number = m_written.folder({~0ULL, qHash(path.text())});
        return {};
    }
    if (error)
        return outputFolderFailure(error);
    sys::Identity identity;
    if ((error = m_folders.identity(*folder, identity)))
        return error.during(Action::OpenOutputFolder);
    number = m_written.folder(identity);
    if (!folder->writeCheck) {
        std::unique_ptr<fs::TemporaryFile> probe;
        folder->writeCheck = fs::TemporaryFile::create(folder->folder, probe, true);
        if (probe)
            learnCaseFolding(number, *probe);
    }
    if (*folder->writeCheck)
        return folder->writeCheck->during(Action::CreateOutput);
    return {};
}

Failure DryRunPlanner::complete(const Job &job, ReadSource &source, const std::shared_ptr<OpenFolder> &folder,
                                int number, const std::optional<sys::Status> &existing, Planned &planned)
{
    // Every record is read, as the real run would read it, and held against
    // the earlier output, as the real run would hold it.
    EarlierOutput earlier;
    bool same = existing && folder && earlier.open(*folder->folder, fs::toNative(job.destination.name));
    if (const Failure failure = caught([&] {
            source.convert(job.kind, m_settings.columns,
                           [&](QByteArrayView bytes) { same = same && earlier.goesOnWith(bytes); });
        }))
        return failure;
    planned.outcome.firstName = source.firstRecordName();
    const bool unchanged = same && earlier.endsHere();
    planned.outcome.result = unchanged ? Outcome::Result::Unchanged : Outcome::Result::Converted;
    (void)m_written.add(number, job.destination.name, job.source, unchanged ? existing->identity : sys::Identity{});
    return {};
}

} // namespace hy3
