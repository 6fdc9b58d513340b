// SPDX-License-Identifier: MIT
#pragma once

#include "engine/job.h"
#include "engine/outcome.h"
#include "engine/writtenoutputs.h"
#include "files/foldercache.h"
#include "fs/tempfile.h"

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace hy3 {

// A copy of an earlier output, written whole as a temporary where it is to
// be kept, waiting for its name.
struct KeptCopy
{
    std::unique_ptr<fs::TemporaryFile> file;
    std::shared_ptr<OpenFolder> folder;
    fs::sys::String name;
    bool replace = true; // an older copy of that name gives way (GNU's simple backups)
};

// A new file written whole as a temporary in its output folder, waiting for
// its name.
struct ReadyOutput
{
    std::unique_ptr<fs::TemporaryFile> file;
    std::shared_ptr<OpenFolder> folder;
    int folderNumber = 0;
    fs::sys::String name;
    int written = -1; // its number in WrittenOutputs
    std::optional<KeptCopy> kept; // the earlier output, kept before it is replaced
};

// Makes the outputs of a batch visible in groups, with the guarantee of a
// flush per file at close to the cost of none, and hands out every job's
// outcome once, in job order. A group's files are written without flushing;
// then the file systems one flush covers are flushed once and every other
// file on its own; then the copies of earlier outputs get their names and
// their folders are flushed; then each output is renamed over its
// destination in order (looked at again first: a link put there is not
// replaced); then each folder is flushed once. A file is reported converted
// only once it is on the disk; at every moment a destination is its earlier
// file or the complete new one, and an earlier file is replaced only once its
// copy is on the disk.
class GroupCommitter
{
public:
    using Sink = std::function<void(const Outcome &)>;

    GroupCommitter(const EngineSettings &settings, FolderCache &folders, WrittenOutputs &written, Sink sink);
    GroupCommitter(const GroupCommitter &) = delete;
    GroupCommitter &operator=(const GroupCommitter &) = delete;
    // Outputs still waiting are removed, not committed.
    ~GroupCommitter();

    // The next job's outcome, final now.
    void settle(Outcome outcome);
    // The next job's output, to be committed with its group; its outcome is
    // final once the group is.
    void await(Outcome outcome, ReadyOutput output);
    // Commits the group if it is full or has waited long enough.
    void commitIfDue();
    // Commits the group now; false when nothing waited.
    bool commit();

    // How the files committed so far were made durable (see flush()).
    struct Flushes
    {
        int byFileSystem = 0; // one flush of their file system
        int batched = 0;      // written out each, then one full flush of their volume
        int onTheirOwn = 0;   // a full flush each
    };
    [[nodiscard]] const Flushes &flushes() const { return m_flushes; }

private:
    struct Slot
    {
        Outcome outcome;
        bool settled = false;
    };
    struct Member
    {
        Slot *slot = nullptr; // stays put: slots are only added at the back and taken from the front
        ReadyOutput output;
        fs::sys::Error flushed;    // the new file's data did not reach the disk
        fs::sys::Error keptFailed; // the copy of the earlier file could not be kept
    };

    void flush();
    void keepEarlier();
    void replace(Member &member);
    void failMember(Member &member, const Failure &failure);
    void deliver();

    const EngineSettings &m_settings;
    FolderCache &m_folders;
    WrittenOutputs &m_written;
    Sink m_sink;
    std::deque<Slot> m_slots; // in job order, from the first not yet handed out
    std::vector<Member> m_group;
    Flushes m_flushes;
    std::chrono::steady_clock::time_point m_groupOpened;
};

} // namespace hy3
