// SPDX-License-Identifier: MIT
#include "engine/engine.h"

#include "format/dataerror.h"
#include "format/datafile.h"
#include "fs/tempfile.h"
#include "files/paths.h"

#include <QHashFunctions>

#include <algorithm>
#include <new>

namespace hy3 {

namespace sys = fs::sys;

struct Engine::Pending
{
    Outcome outcome;
    bool settled = false;
};

struct Engine::Member
{
    std::size_t job = 0;
    std::unique_ptr<fs::TemporaryFile> file;
    std::shared_ptr<OpenFolder> folder;
    int folderNumber = 0;
    sys::String name;
    int written = -1; // in m_written
    sys::Error flushed;
};

namespace {

qsizetype anchorOf(qsizetype anchor, const QString &folder)
{
    return anchor > 0 && anchor <= folder.size() ? anchor : folder.size();
}

sys::String upperCase(const sys::String &name)
{
    sys::String upper = name;
    for (auto &c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<sys::Char>(c - 'a' + 'A');
    }
    return upper;
}

// Whether the temporary's folder folds case: its name in upper case finds it.
// A folder whose answer is unclear counts as one that folds: at worst two
// names that differ in case are refused, never one file written twice.
bool foldsCase(const fs::TemporaryFile &file)
{
    sys::Status status;
    return sys::statAt(file.folder(), upperCase(file.name()), false, status).cause != Cause::NotFound;
}

} // namespace

Engine::Engine(EngineSettings settings, Sink sink)
    : m_settings(settings)
    , m_sink(std::move(sink))
{
}

Engine::~Engine() = default;

// A call that ran out of open files gets room from the group's, once.
template <typename Call>
sys::Error Engine::withRoom(Call call)
{
    sys::Error error = call();
    if (error.cause == Cause::TooManyOpenFiles && !m_group.empty()) {
        commitGroup();
        error = call();
    }
    return error;
}

void Engine::add(const Job &job)
{
    const std::size_t number = m_firstJob + m_outcomes.size();
    m_outcomes.push_back({});
    Outcome &outcome = m_outcomes.back().outcome;
    outcome.source = job.source;
    outcome.destination = job.destination;
    outcome.kind = job.kind;
    const std::size_t groupBefore = m_group.size();
    try {
        convert(job, outcome);
    } catch (const DataError &error) {
        outcome.result = Outcome::Result::Failed;
        outcome.failure = error.failure();
    } catch (const std::bad_alloc &) {
        outcome.result = Outcome::Result::Failed;
        outcome.failure = {Cause::OutOfMemory, Action::ReadSource};
    }
    const bool inGroup = m_group.size() > groupBefore && m_group.back().job == number;
    if (!inGroup)
        settle(number);
    if (!m_group.empty()
        && (static_cast<int>(m_group.size()) >= m_settings.groupFiles
            || std::chrono::steady_clock::now() - m_groupOpened >= m_settings.groupTime))
        commitGroup();
    deliver();
}

void Engine::skip(const Job &job)
{
    report(job, Outcome::Result::NotRun, {Cause::Stopped});
}

void Engine::refuse(const Job &job, const Failure &failure)
{
    report(job, Outcome::Result::Failed, failure);
}

void Engine::report(const Job &job, Outcome::Result result, const Failure &failure)
{
    Pending pending;
    pending.outcome.result = result;
    pending.outcome.failure = failure;
    pending.outcome.source = job.source;
    pending.outcome.destination = job.destination;
    pending.outcome.kind = job.kind;
    pending.settled = true;
    m_outcomes.push_back(std::move(pending));
    deliver();
}

void Engine::finish()
{
    if (!m_group.empty())
        commitGroup();
    m_folders.removeUnusedMadeFolders(); // nothing is left of a folder made for files that failed
    deliver();
}

// Everything up to the group: reads the source, checks the destination, and
// (unless a dry run) writes the new file's temporary and joins the group.
void Engine::convert(const Job &job, Outcome &outcome)
{
    const fs::PathParts source = fs::splitPath(job.source);
    const fs::PathParts destination = fs::splitPath(job.destination);
    const std::size_t number = m_firstJob + m_outcomes.size() - 1;
    const auto fail = [&outcome](const Failure &failure) {
        outcome.result = Outcome::Result::Failed;
        outcome.failure = failure;
    };

    std::shared_ptr<OpenFolder> sourceFolder;
    if (const sys::Error error = withRoom([&] {
            return m_folders.open(source.folder, anchorOf(job.sourceAnchor, source.folder), MakeFolders::None,
                                  sourceFolder);
        }))
        return fail(error.during(Action::OpenSourceFolder));
    std::optional<DataFileReader> reader;
    try {
        reader.emplace(*sourceFolder->folder, source.name, DataFileReader::Reading::Records);
    } catch (const DataError &failed) {
        if (failed.cause() != Cause::TooManyOpenFiles || m_group.empty())
            throw;
        commitGroup();
        reader.emplace(*sourceFolder->folder, source.name, DataFileReader::Reading::Records);
    }
    outcome.records = reader->count();
    if (const Failure failure = checkOptions(job.kind, m_settings.columns))
        return fail(failure);
    if (reader->count() == 0) {
        outcome.result = Outcome::Result::NoRecords;
        return;
    }

    std::shared_ptr<OpenFolder> folder;
    int folderNumber = 0;
    if (!prepareOutputFolder(job, outcome, folder, folderNumber))
        return;
    const QString &name = destination.name;
    if (const auto earlier = writtenBefore(folderNumber, name)) {
        outcome.earlier = earlier->source;
        return fail({Cause::Clash});
    }
    if (folder) {
        if (!checkExisting(*folder, name, *reader, outcome))
            return;
        if (outcome.replaced && !m_settings.overwrite) {
            outcome.result = Outcome::Result::Kept;
            return;
        }
    }

    if (m_settings.dryRun) {
        // Every record is read, as the real run would read it.
        convertRecords(job.kind, *reader, m_settings.columns, [](QByteArrayView) {});
        outcome.firstName = reader->firstRecordName();
        outcome.result = Outcome::Result::Converted;
        (void)m_written.add(folderNumber, name, job.source, {});
        return;
    }

    std::unique_ptr<fs::TemporaryFile> file = createOutput(folder, outcome);
    if (!file)
        return;
    if (!m_written.foldsCase(folderNumber)) {
        m_written.setFoldsCase(folderNumber, foldsCase(*file));
        if (const auto earlier = writtenBefore(folderNumber, name)) {
            outcome.earlier = earlier->source;
            return fail({Cause::Clash});
        }
    }
    convertRecords(job.kind, *reader, m_settings.columns, [&](QByteArrayView bytes) {
        if (const sys::Error failed = file->write(bytes.data(), static_cast<std::size_t>(bytes.size())))
            throw DataError(failed.during(Action::WriteOutput));
    });
    outcome.firstName = reader->firstRecordName();
    outcome.result = Outcome::Result::Converted;
    Member member;
    member.job = number;
    member.written = m_written.add(folderNumber, name, job.source, file->identity());
    member.file = std::move(file);
    member.folder = std::move(folder);
    member.folderNumber = folderNumber;
    member.name = fs::toNative(name);
    if (m_group.empty())
        m_groupOpened = std::chrono::steady_clock::now();
    m_group.push_back(std::move(member));
}

// The output of that name this batch wrote before. One still in the group is
// committed first: a clash is only with an output that was written.
std::optional<WrittenOutputs::Found> Engine::writtenBefore(int folder, const QString &name)
{
    std::optional<WrittenOutputs::Found> earlier = m_written.byName(folder, name);
    if (earlier && !m_group.empty()) {
        commitGroup();
        earlier = m_written.byName(folder, name);
    }
    return earlier;
}

// Opens (or makes) the destination's folder; on its first use sweeps it of
// leftovers, and in a dry run proves that a file can be made there. A dry run
// leaves `folder` empty for a folder the real run would make.
bool Engine::prepareOutputFolder(const Job &job, Outcome &outcome, std::shared_ptr<OpenFolder> &folder, int &number)
{
    const QString path = fs::splitPath(job.destination).folder;
    const qsizetype anchor = anchorOf(job.destinationAnchor, path);
    const auto fail = [&outcome](const sys::Error &error, Action action) {
        outcome.result = Outcome::Result::Failed;
        outcome.failure = error.during(action);
        return false;
    };
    const MakeFolders make = m_settings.dryRun ? MakeFolders::None : m_settings.makeFolders;
    sys::Error error = withRoom([&] { return m_folders.open(path, anchor, make, folder); });
    if (error.cause == Cause::NotFound && m_settings.dryRun && m_settings.makeFolders != MakeFolders::None) {
        // The real run makes it: what matters is whether it could.
        folder.reset();
        const QString existing = nearestExistingFolder(path);
        if (const sys::Error unwritable =
                sys::checkWritable(fs::toNative(existing.isEmpty() ? QStringLiteral("./") : existing)))
            return fail(unwritable, Action::MakeOutputFolder);
        number = m_written.folder({~0ULL, qHash(path)});
        return true;
    }
    if (error)
        return fail(error, error.cause == Cause::NotFound ? Action::OpenOutputFolder : Action::MakeOutputFolder);
    sys::Identity identity;
    if ((error = m_folders.identity(*folder, identity)))
        return fail(error, Action::OpenOutputFolder);
    number = m_written.folder(identity);
    if (!m_settings.dryRun && !folder->swept) {
        folder->swept = true;
        int removed = 0;
        (void)fs::removeLeftovers(*folder->folder, removed);
    }
    if (m_settings.dryRun && !folder->writeCheck) {
        // The real run's first step here, made and undone: it fails as the real one would.
        std::unique_ptr<fs::TemporaryFile> probe;
        folder->writeCheck = fs::TemporaryFile::create(folder->folder, probe);
        if (probe && !m_written.foldsCase(number))
            m_written.setFoldsCase(number, foldsCase(*probe));
    }
    if (folder->writeCheck && *folder->writeCheck)
        return fail(*folder->writeCheck, Action::CreateOutput);
    return true;
}

// Refuses what must not be written over, and notes whether the name is taken.
bool Engine::checkExisting(const OpenFolder &folder, const QString &name, const DataFileReader &source,
                           Outcome &outcome)
{
    const auto fail = [&outcome](const Failure &failure) {
        outcome.result = Outcome::Result::Failed;
        outcome.failure = failure;
        return false;
    };
    sys::Status existing;
    const sys::Error look = sys::statAt(*folder.folder, fs::toNative(name), false, existing);
    if (look.cause == Cause::NotFound)
        return true;
    if (look)
        return fail(look.during(Action::WriteOutput));
    switch (existing.type) {
    case sys::Type::Regular:
        break;
    case sys::Type::Link:
        return fail({Cause::LinkInTheWay, Action::WriteOutput});
    case sys::Type::Folder:
        return fail({Cause::FolderInTheWay, Action::CreateOutput});
    default:
        return fail({Cause::NotRegularFile, Action::WriteOutput});
    }
    if (existing.identity == source.status().identity)
        return fail({Cause::SameFile});
    if (const auto earlier = m_written.byIdentity(existing.identity)) {
        // Another name of an output of this batch, if that output still is this file.
        sys::Status again;
        if (!sys::statAt(*folder.folder, fs::toNative(earlier->name), false, again)
            && again.identity == existing.identity) {
            outcome.earlier = earlier->source;
            return fail({Cause::Clash});
        }
    }
    if (existing.readOnly)
        return fail({Cause::ReadOnlyFile, Action::WriteOutput});
    outcome.replaced = true;
    return true;
}

std::unique_ptr<fs::TemporaryFile> Engine::createOutput(const std::shared_ptr<OpenFolder> &folder, Outcome &outcome)
{
    std::unique_ptr<fs::TemporaryFile> file;
    if (const sys::Error error = withRoom([&] { return fs::TemporaryFile::create(folder->folder, file); })) {
        outcome.result = Outcome::Result::Failed;
        outcome.failure = error.during(Action::CreateOutput);
    }
    return file;
}

// The data of the group on the disk. Where one flush of a whole file system
// reaches the medium, that file system is flushed once, through the folder
// opened first there: where such a flush also reports any write-back error
// since that folder was opened, its success says every file of the group
// there is on the disk. Every other file (a FUSE or network file system, a
// kernel whose flush says less, a flush that failed) is flushed on its own,
// which names the file that lost its data.
void Engine::flushGroup()
{
    struct Device
    {
        std::uint64_t id = 0;
        const OpenFolder *first = nullptr;
        bool clean = false;
    };
    std::vector<Device> devices;
    std::vector<std::ptrdiff_t> deviceOf(m_group.size(), -1); // -1: the file is flushed on its own
    for (std::size_t i = 0; i < m_group.size(); ++i) {
        OpenFolder &folder = *m_group[i].folder;
        sys::Identity identity;
        if (m_folders.identity(folder, identity))
            continue;
        if (!folder.flushCovers)
            folder.flushCovers = sys::fileSystemFlushCovers(*folder.folder);
        if (!*folder.flushCovers)
            continue;
        auto at = std::find_if(devices.begin(), devices.end(), [&](const Device &d) { return d.id == identity.device; });
        if (at == devices.end())
            at = devices.insert(at, {identity.device, &folder});
        else if (folder.opened < at->first->opened)
            at->first = &folder;
        deviceOf[i] = at - devices.begin();
    }
    const bool reported = sys::errorsReachFileSystemSync();
    for (Device &device : devices)
        device.clean = !sys::syncFileSystem(*device.first->folder) && reported;
    for (std::size_t i = 0; i < m_group.size(); ++i) {
        if (deviceOf[i] < 0 || !devices[static_cast<std::size_t>(deviceOf[i])].clean)
            m_group[i].flushed = m_group[i].file->syncData();
    }
}

void Engine::replace(Member &member)
{
    Outcome &outcome = m_outcomes[member.job - m_firstJob].outcome;
    const auto fail = [&](const Failure &failure) {
        outcome.result = Outcome::Result::Failed;
        outcome.failure = failure;
        m_written.forget(member.written);
        member.file->discard();
    };
    if (member.flushed)
        return fail(member.flushed.during(Action::WriteOutput));

    // Looked at again right before the rename: a link put there meanwhile is
    // not replaced, and another name of an output of this batch is not written twice.
    sys::Status existing;
    const sys::Error look = sys::statAt(*member.folder->folder, member.name, false, existing);
    if (!look) {
        if (existing.type == sys::Type::Link)
            return fail({Cause::LinkInTheWay, Action::WriteOutput});
        const auto earlier = m_written.byIdentity(existing.identity);
        sys::Status again;
        if (earlier && earlier->folder == member.folderNumber && fs::toNative(earlier->name) != member.name
            && !sys::statAt(*member.folder->folder, fs::toNative(earlier->name), false, again)
            && again.identity == existing.identity) {
            outcome.earlier = earlier->source;
            return fail({Cause::Clash});
        }
    } else if (look.cause != Cause::NotFound) {
        return fail(look.during(Action::WriteOutput));
    }

    const sys::Error error = member.file->commit(member.name, m_settings.overwrite);
    if (error.cause == Cause::Exists && !m_settings.overwrite) {
        outcome.result = Outcome::Result::Kept;
        m_written.forget(member.written);
        member.file->discard();
        return;
    }
    if (error)
        return fail(error.during(Action::WriteOutput));
}

void Engine::commitGroup()
{
    flushGroup();
    std::vector<const OpenFolder *> folders;
    for (Member &member : m_group) {
        replace(member);
        if (m_outcomes[member.job - m_firstJob].outcome.result != Outcome::Result::Converted)
            continue;
        m_folders.markUsed(*member.folder);
        if (std::find(folders.begin(), folders.end(), member.folder.get()) == folders.end())
            folders.push_back(member.folder.get());
    }
    // The renames themselves made durable: once per folder.
    for (const OpenFolder *folder : folders) {
        const sys::Error error = sys::syncFolder(*folder->folder);
        if (!error)
            continue;
        for (const Member &member : m_group) {
            Outcome &outcome = m_outcomes[member.job - m_firstJob].outcome;
            if (member.folder.get() == folder && outcome.result == Outcome::Result::Converted) {
                outcome.result = Outcome::Result::Failed;
                outcome.failure = error.during(Action::MakeDurable);
            }
        }
    }
    for (const Member &member : m_group)
        settle(member.job);
    m_group.clear();
}

void Engine::settle(std::size_t job)
{
    m_outcomes[job - m_firstJob].settled = true;
}

void Engine::deliver()
{
    while (!m_outcomes.empty() && m_outcomes.front().settled) {
        const Pending pending = std::move(m_outcomes.front());
        m_outcomes.pop_front();
        ++m_firstJob;
        if (m_sink)
            m_sink(pending.outcome);
    }
}

Outcome convertOne(const Job &job, const ColumnOptions &options)
{
    EngineSettings settings;
    settings.columns = options;
    Outcome outcome;
    Engine engine(settings, [&outcome](const Outcome &done) { outcome = done; });
    engine.add(job);
    engine.finish();
    return outcome;
}

} // namespace hy3
