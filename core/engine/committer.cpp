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
    struct Entry
    {
        fs::TemporaryFile *file;
        OpenFolder *folder;
        sys::Error *flushed;
    };
    std::vector<Entry> entries;
    for (Member &member : m_group) {
        entries.push_back({member.output.file.get(), member.output.folder.get(), &member.flushed});
        if (member.output.kept)
            entries.push_back({member.output.kept->file.get(), member.output.kept->folder.get(), &member.keptFailed});
    }
    enum class Way : std::uint8_t { OnItsOwn, FileSystem, Batch };
    struct Device
    {
        Way way = Way::OnItsOwn;
        std::uint64_t id = 0;
        const OpenFolder *first = nullptr;
        bool clean = false;
        std::vector<std::size_t> written; // Batch: the entries written out
    };
    std::vector<Device> devices;
    std::vector<std::ptrdiff_t> deviceOf(entries.size(), -1); // -1: the file is flushed on its own
    for (std::size_t i = 0; i < entries.size(); ++i) {
        OpenFolder &folder = *entries[i].folder;
        sys::Identity identity;
        if (m_folders.identity(folder, identity))
            continue;
        if (!folder.flushCovers)
            folder.flushCovers = sys::fileSystemFlushCovers(*folder.folder);
        if (!*folder.flushCovers && !folder.batchCovers)
            folder.batchCovers = sys::batchFlushCovers(*folder.folder);
        const Way way = *folder.flushCovers ? Way::FileSystem : *folder.batchCovers ? Way::Batch : Way::OnItsOwn;
        if (way == Way::OnItsOwn)
            continue;
        auto at = std::find_if(devices.begin(), devices.end(),
                               [&](const Device &d) { return d.id == identity.device && d.way == way; });
        if (at == devices.end())
            at = devices.insert(at, {way, identity.device, &folder, false, {}});
        else if (folder.opened < at->first->opened)
            at->first = &folder;
        deviceOf[i] = at - devices.begin();
    }
    const bool reported = sys::errorsReachFileSystemSync();
    for (Device &device : devices) {
        if (device.way == Way::FileSystem)
            device.clean = !sys::syncFileSystem(*device.first->folder) && reported;
    }
    // Written out first, every one, so that the disk takes them all before the one flush.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (deviceOf[i] < 0)
            continue;
        Device &device = devices[static_cast<std::size_t>(deviceOf[i])];
        if (device.way != Way::Batch)
            continue;
        const sys::Error error = entries[i].file->writeOut();
        if (!error) {
            device.written.push_back(i);
        } else if (error.cause == Cause::Unsupported) {
            entries[i].folder->batchCovers = false; // flushed on its own from now on
            deviceOf[i] = -1;
        } else {
            *entries[i].flushed = error; // this file did not reach the disk
            deviceOf[i] = -2;
        }
    }
    for (Device &device : devices) {
        if (device.way == Way::Batch && !device.written.empty())
            device.clean = !entries[device.written.back()].file->syncData();
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (deviceOf[i] == -2)
            continue;
        const bool covered = deviceOf[i] >= 0 && devices[static_cast<std::size_t>(deviceOf[i])].clean;
        if (!covered)
            *entries[i].flushed = entries[i].file->syncData();
        const Way way = covered ? devices[static_cast<std::size_t>(deviceOf[i])].way : Way::OnItsOwn;
        ++(way == Way::FileSystem ? m_flushes.byFileSystem : way == Way::Batch ? m_flushes.batched : m_flushes.onTheirOwn);
    }
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
