// SPDX-License-Identifier: MIT
#include "engine/committer.h"

#include "files/paths.h"
#include "fs/tempfile.h"

#include <algorithm>

namespace hy3 {

namespace sys = fs::sys;

GroupCommitter::GroupCommitter(const EngineSettings &settings, FolderCache &folders, WrittenOutputs &written,
                               Sink sink)
    : m_settings(settings)
    , m_folders(folders)
    , m_written(written)
    , m_sink(std::move(sink))
{
}

GroupCommitter::~GroupCommitter() = default;

void GroupCommitter::settle(Outcome outcome)
{
    m_slots.push_back({std::move(outcome), true});
    deliver();
}

void GroupCommitter::await(Outcome outcome, ReadyOutput output)
{
    m_slots.push_back({std::move(outcome), false});
    if (m_group.empty())
        m_groupOpened = std::chrono::steady_clock::now();
    m_group.push_back({&m_slots.back(), std::move(output), {}, {}});
}

void GroupCommitter::commitIfDue()
{
    if (!m_group.empty()
        && (static_cast<int>(m_group.size()) >= m_settings.groupFiles
            || std::chrono::steady_clock::now() - m_groupOpened >= m_settings.groupTime))
        commit();
}

bool GroupCommitter::commit()
{
    if (m_group.empty())
        return false;
    flush();
    keepEarlier();
    std::vector<const OpenFolder *> folders;
    for (Member &member : m_group) {
        replace(member);
        if (member.slot->outcome.result != Outcome::Result::Converted)
            continue;
        m_folders.markUsed(*member.output.folder);
        if (std::find(folders.begin(), folders.end(), member.output.folder.get()) == folders.end())
            folders.push_back(member.output.folder.get());
    }
    // The renames themselves made durable: once per folder.
    for (const OpenFolder *folder : folders) {
        const sys::Error error = sys::syncFolder(*folder->folder);
        if (!error)
            continue;
        for (Member &member : m_group) {
            Outcome &outcome = member.slot->outcome;
            if (member.output.folder.get() == folder && outcome.result == Outcome::Result::Converted) {
                outcome.result = Outcome::Result::Failed;
                outcome.failure = error.during(Action::MakeDurable);
            }
        }
    }
    for (Member &member : m_group)
        member.slot->settled = true;
    m_group.clear();
    deliver();
    return true;
}

namespace {

// One group's files on their way to the disk (see GroupCommitter::flush).
class GroupFlush
{
public:
    GroupFlush(FolderCache &folders, GroupCommitter::Flushes &counts) : m_folders(folders), m_counts(counts) {}

    void add(fs::TemporaryFile *file, OpenFolder *folder, sys::Error *flushed)
    {
        m_entries.push_back({file, folder, flushed, placeOf(*folder)});
    }

    // Each file system one flush covers, flushed once.
    void flushFileSystems()
    {
        const bool reported = sys::errorsReachFileSystemSync();
        for (Device &device : m_devices) {
            if (device.way == Way::FileSystem)
                device.clean = !sys::syncFileSystem(*device.first->folder) && reported;
        }
    }

    // Every file of a batched volume written out first, so that the disk
    // takes them all before the one full flush of the volume.
    void flushBatches()
    {
        for (Entry &entry : m_entries) {
            if (entry.device < 0 || m_devices[static_cast<std::size_t>(entry.device)].way != Way::Batch)
                continue;
            const sys::Error error = entry.file->writeOut();
            if (!error) {
                m_devices[static_cast<std::size_t>(entry.device)].lastWritten = entry.file;
            } else if (error.cause == Cause::Unsupported) {
                entry.folder->batchCovers = false; // flushed on its own from now on
                entry.device = kOnItsOwn;
            } else {
                *entry.flushed = error; // this file did not reach the disk
                entry.device = kFailed;
            }
        }
        for (Device &device : m_devices) {
            if (device.way == Way::Batch && device.lastWritten)
                device.clean = !device.lastWritten->syncData();
        }
    }

    // Every file no flush above covered, flushed on its own; each counted by its way.
    void flushTheRest()
    {
        for (const Entry &entry : m_entries) {
            if (entry.device == kFailed)
                continue;
            const Device *device = entry.device >= 0 ? &m_devices[static_cast<std::size_t>(entry.device)] : nullptr;
            const bool covered = device && device->clean;
            if (!covered)
                *entry.flushed = entry.file->syncData();
            const Way way = covered ? device->way : Way::OnItsOwn;
            ++(way == Way::FileSystem ? m_counts.byFileSystem : way == Way::Batch ? m_counts.batched : m_counts.onTheirOwn);
        }
    }

private:
    enum class Way : std::uint8_t { OnItsOwn, FileSystem, Batch };
    static constexpr std::ptrdiff_t kOnItsOwn = -1;
    static constexpr std::ptrdiff_t kFailed = -2;

    struct Entry
    {
        fs::TemporaryFile *file;
        OpenFolder *folder;
        sys::Error *flushed;
        std::ptrdiff_t device; // its device's index, or kOnItsOwn, or kFailed
    };
    struct Device
    {
        Way way = Way::OnItsOwn;
        std::uint64_t id = 0;
        const OpenFolder *first = nullptr; // the folder opened first there
        bool clean = false;
        fs::TemporaryFile *lastWritten = nullptr; // Batch: the file whose full flush covers the others
    };

    // The device whose one flush covers a file in `folder`, or kOnItsOwn.
    std::ptrdiff_t placeOf(OpenFolder &folder)
    {
        sys::Identity identity;
        if (m_folders.identity(folder, identity))
            return kOnItsOwn;
        if (!folder.flushCovers)
            folder.flushCovers = sys::fileSystemFlushCovers(*folder.folder);
        if (!*folder.flushCovers && !folder.batchCovers)
            folder.batchCovers = sys::batchFlushCovers(*folder.folder);
        const Way way = *folder.flushCovers ? Way::FileSystem : *folder.batchCovers ? Way::Batch : Way::OnItsOwn;
        if (way == Way::OnItsOwn)
            return kOnItsOwn;
        auto at = std::find_if(m_devices.begin(), m_devices.end(),
                               [&](const Device &d) { return d.id == identity.device && d.way == way; });
        if (at == m_devices.end())
            at = m_devices.insert(at, {way, identity.device, &folder, false, nullptr});
        else if (folder.opened < at->first->opened)
            at->first = &folder;
        return at - m_devices.begin();
    }

    FolderCache &m_folders;
    GroupCommitter::Flushes &m_counts;
    std::vector<Entry> m_entries;
    std::vector<Device> m_devices;
};

} // namespace

// The data of the group on the disk, each file's the cheapest way that still
// says which file lost its data:
// - where one flush of a whole file system reaches the medium, that file
//   system is flushed once, through the folder opened first there: where such
//   a flush also reports any write-back error since that folder was opened,
//   its success says every file of the group there is on the disk;
// - where each file's data can be written out without emptying the disk's
//   cache, and one full flush of a file empties all of it (Windows' local
//   volumes), each file is written out, then one file per volume flushed;
// - every other file (a FUSE or network file system, a kernel whose flush
//   says less, a flush that failed) is flushed on its own.
void GroupCommitter::flush()
{
    GroupFlush group(m_folders, m_flushes);
    for (Member &member : m_group) {
        group.add(member.output.file.get(), member.output.folder.get(), &member.flushed);
        if (member.output.kept)
            group.add(member.output.kept->file.get(), member.output.kept->folder.get(), &member.keptFailed);
    }
    group.flushFileSystems();
    group.flushBatches();
    group.flushTheRest();
}

// The copies of the earlier outputs get their names, and the folders they
// are in are flushed, before any of those outputs is replaced. An output
// whose copy could not be kept stays as it was.
void GroupCommitter::keepEarlier()
{
    std::vector<OpenFolder *> folders;
    for (Member &member : m_group) {
        if (!member.output.kept || member.flushed || member.keptFailed)
            continue;
        KeptCopy &kept = *member.output.kept;
        if (const sys::Error error = kept.file->commit(kept.name, kept.replace)) {
            member.keptFailed = error;
            continue;
        }
        if (std::find(folders.begin(), folders.end(), kept.folder.get()) == folders.end())
            folders.push_back(kept.folder.get());
    }
    for (OpenFolder *folder : folders) {
        m_folders.markUsed(*folder);
        const sys::Error error = sys::syncFolder(*folder->folder);
        if (!error)
            continue;
        for (Member &member : m_group) {
            if (member.output.kept && member.output.kept->folder.get() == folder && !member.keptFailed)
                member.keptFailed = error;
        }
    }
}

void GroupCommitter::failMember(Member &member, const Failure &failure)
{
    member.slot->outcome.result = Outcome::Result::Failed;
    member.slot->outcome.failure = failure;
    m_written.forget(member.output.written);
    member.output.file->discard();
}

void GroupCommitter::replace(Member &member)
{
    ReadyOutput &output = member.output;
    Outcome &outcome = member.slot->outcome;
    if (member.flushed)
        return failMember(member, member.flushed.during(Action::WriteOutput));
    if (member.keptFailed)
        return failMember(member, member.keptFailed.during(Action::KeepEarlier));

    if (output.file->name().empty()) {
        // Nothing had the name when it was planned: it is given in one step
        // that replaces nothing. Only what came meanwhile is looked at.
        const sys::Error error = output.file->commit(output.name, false);
        if (!error)
            return;
        if (error.cause != Cause::Exists)
            return failMember(member, error.during(Action::WriteOutput));
    }

    // Looked at again right before the rename: a link put there meanwhile is
    // not replaced, and another name of an output of this batch is not written twice.
    sys::Status existing;
    const sys::Error look = sys::statAt(*output.folder->folder, output.name, false, existing);
    if (!look) {
        if (existing.type == sys::Type::Link)
            return failMember(member, {Cause::LinkInTheWay, Action::WriteOutput});
        const auto earlier = m_written.byIdentity(existing.identity);
        sys::Status again;
        if (earlier && earlier->folder == output.folderNumber && fs::toNative(earlier->name) != output.name
            && !sys::statAt(*output.folder->folder, fs::toNative(earlier->name), false, again)
            && again.identity == existing.identity) {
            outcome.earlier = earlier->source;
            return failMember(member, {Cause::Clash});
        }
    } else if (look.cause != Cause::NotFound) {
        return failMember(member, look.during(Action::WriteOutput));
    }

    const sys::Error error = output.file->commit(output.name, m_settings.overwrite);
    if (error.cause == Cause::Exists && !m_settings.overwrite) {
        outcome.result = Outcome::Result::Kept;
        m_written.forget(output.written);
        output.file->discard();
        return;
    }
    if (error)
        return failMember(member, error.during(Action::WriteOutput));
}

void GroupCommitter::deliver()
{
    while (!m_slots.empty() && m_slots.front().settled) {
        const Slot slot = std::move(m_slots.front());
        m_slots.pop_front();
        if (m_sink)
            m_sink(slot.outcome);
    }
}

} // namespace hy3
