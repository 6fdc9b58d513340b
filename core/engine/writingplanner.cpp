// SPDX-License-Identifier: MIT
#include "engine/writingplanner.h"

#include "files/paths.h"
#include "format/dataerror.h"
#include "format/datafile.h"
#include "fs/tempfile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace hy3 {

namespace sys = fs::sys;

using namespace Qt::StringLiterals;

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

Failure WritingPlanner::complete(const Job &job, ReadSource &source, const std::shared_ptr<OpenFolder> &folder,
                                 int number, const std::optional<sys::Status> &existing, Planned &planned)
{
    Outcome &outcome = planned.outcome;
    const QString &name = job.destination.name;
    // While the new bytes are those of the earlier file they are held, not
    // written: an output that is already right is not written again.
    EarlierOutput earlier;
    bool same = existing && earlier.open(*folder->folder, fs::toNative(name));
    QByteArray held;
    std::unique_ptr<fs::TemporaryFile> file;
    // Named from the start where it will replace a file (renamed over it) or
    // where its name must show whether the folder folds case; otherwise it
    // gets its only name when it is committed.
    const bool named = existing || !m_written.foldsCase(number);
    const auto startWriting = [&]() -> Failure {
        if (const Failure failure = withRoom([&] {
                return fs::TemporaryFile::create(folder->folder, file, named).during(Action::CreateOutput);
            }))
            return failure;
        const sys::Error error = file->write(held.constData(), static_cast<std::size_t>(held.size()));
        held = QByteArray();
        return error.during(Action::WriteOutput);
    };
    if (const Failure failure = caught([&] {
            source.convert(job.kind, m_settings.columns, [&](QByteArrayView bytes) {
                if (same && earlier.goesOnWith(bytes)) {
                    held.append(bytes);
                    return;
                }
                same = false;
                if (!file) {
                    if (const Failure failed = startWriting())
                        throw DataError(failed);
                }
                if (const sys::Error error = file->write(bytes.data(), static_cast<std::size_t>(bytes.size())))
                    throw DataError(error.during(Action::WriteOutput));
            });
        }))
        return failure;
    outcome.firstName = source.firstRecordName();
    if (same && earlier.endsHere()) {
        outcome.result = Outcome::Result::Unchanged;
        (void)m_written.add(number, name, job.source, existing->identity);
        return {};
    }
    if (!file) {
        if (const Failure failure = startWriting())
            return failure;
    }
    if (!m_written.foldsCase(number)) {
        learnCaseFolding(number, *file);
        if (const auto before = writtenBefore(number, name)) {
            outcome.earlier = before->source;
            return {Cause::Clash};
        }
    }
    std::optional<KeptCopy> kept;
    if (existing && m_settings.backup.keeps()) {
        if (const Failure failure = copyEarlier(job, folder, number, outcome, kept))
            return failure;
    }
    outcome.result = Outcome::Result::Converted;
    const int written = m_written.add(number, name, job.source, file->identity());
    planned.output = ReadyOutput{std::move(file), folder, number, fs::toNative(name), written, std::move(kept)};
    return {};
}

namespace {

// The output folder's whole path, as folders below the place copies are kept:
// "/srv/data/" gives srv, data; "C:\data\" gives C, data; "\\server\share\" server, share.
QStringList wholePath(const fs::FolderPath &folder)
{
    QStringList parts;
    const QString absolute = QDir::cleanPath(QFileInfo(folder.text()).absoluteFilePath());
    for (QString part : absolute.split(u'/', Qt::SkipEmptyParts)) {
        if (part.size() == 2 && part[1] == u':')
            part.chop(1); // a drive letter
        parts.append(part);
    }
    return parts;
}

} // namespace

Failure WritingPlanner::copyEarlier(const Job &job, const std::shared_ptr<OpenFolder> &folder, int number,
                                    Outcome &outcome, std::optional<KeptCopy> &kept)
{
    const BackupPolicy &policy = m_settings.backup;
    const QString &name = job.destination.name;
    KeptCopy copy;
    if (policy.folder) {
        fs::FolderPath where = *policy.folder;
        for (const QString &part : wholePath(job.destination.folder))
            where = where.child(part);
        if (const Failure failure = withRoom([&] {
                return m_folders.open(where, MakeFolders::All, copy.folder).during(Action::KeepEarlier);
            }))
            return failure;
        copy.name = fs::toNative(name);
        outcome.backup = where.text() + name;
    } else {
        copy.folder = folder;
        if (const Failure failure = nameBeside(*folder, number, name, copy))
            return failure;
        outcome.backup = job.destination.folder.text() + fs::fromNative(copy.name);
    }
    if (const Failure failure = withRoom([&] {
            return fs::TemporaryFile::create(copy.folder->folder, copy.file).during(Action::KeepEarlier);
        }))
        return failure;
    // The earlier file whole, byte for byte.
    sys::Handle earlier;
    if (const sys::Error error = sys::openForReading(*folder->folder, fs::toNative(name), earlier))
        return error.during(Action::KeepEarlier);
    std::vector<char> block(256 * 1024);
    for (;;) {
        std::size_t got = 0;
        if (const sys::Error error = sys::readSome(earlier, block.data(), block.size(), got))
            return error.during(Action::KeepEarlier);
        if (got == 0)
            break;
        if (const sys::Error error = copy.file->write(block.data(), got))
            return error.during(Action::KeepEarlier);
    }
    kept = std::move(copy);
    return {};
}

Failure WritingPlanner::nameBeside(const OpenFolder &folder, int number, const QString &name, KeptCopy &copy)
{
    BackupPolicy::Naming naming = m_settings.backup.naming;
    if (naming != BackupPolicy::Naming::Simple) {
        if (!m_numbered.contains(number)) {
            // NAME.~N~ of every name in the folder, read once.
            QHash<QString, int> &highest = m_numbered[number];
            const sys::Error error = sys::listFolder(*folder.folder, [&highest](const sys::Entry &entry) {
                const QString entryName = fs::fromNative(entry.name);
                const qsizetype mark = entryName.lastIndexOf(u".~"_s);
                if (mark > 0 && entryName.endsWith(u'~') && entryName.size() > mark + 3) {
                    bool ok = false;
                    const int n = entryName.sliced(mark + 2, entryName.size() - mark - 3).toInt(&ok);
                    if (ok && n > 0) {
                        int &most = highest[entryName.left(mark)];
                        most = std::max(most, n);
                    }
                }
                return true;
            });
            if (error) {
                m_numbered.remove(number);
                return error.during(Action::KeepEarlier);
            }
        }
        int &highest = m_numbered[number][name];
        if (naming == BackupPolicy::Naming::Numbered || highest > 0) {
            copy.name = fs::toNative(u"%1.~%2~"_s.arg(name).arg(++highest));
            copy.replace = false; // a numbered copy never replaces another
            return {};
        }
    }
    copy.name = fs::toNative(name + m_settings.backup.suffix);
    copy.replace = true; // as GNU cp, the older simple copy gives way
    return {};
}

} // namespace hy3
