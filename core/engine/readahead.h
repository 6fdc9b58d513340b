// SPDX-License-Identifier: MIT
#pragma once

#include "engine/job.h"
#include "engine/readsource.h"
#include "files/foldercache.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace hy3 {

// Sources read and converted ahead of the engine, on a thread of their own,
// in job order, while the engine writes the outputs of the jobs before them:
// the system's work of reading and the conversion go to the second core.
// A few jobs and a few megabytes ahead at most; a large source is only
// opened, and converted by the engine as it is read. Nothing here writes.
class ReadAhead
{
public:
    // What the thread made of a job's source.
    struct Read
    {
        std::optional<ReadSource> source; // opened, and converted when small
        Failure failure;                  // or why it could not be opened
        // Out of open files there (or memory): the engine opens it itself, with room made.
        bool leftToEngine = false;
    };

    explicit ReadAhead(const EngineSettings &settings);
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;
    // Waits for a read under way (a stuck one too: as the engine would).
    ~ReadAhead();

    // The job will come: read it when there is room.
    void expect(const Job &job);
    // Whether `job` is the oldest expected one not yet taken or dropped.
    [[nodiscard]] bool isNext(const Job &job) const;
    // The oldest expected job's source, once read.
    [[nodiscard]] Read take();
    // The oldest expected job will not be run: its read is not waited for.
    void drop();

private:
    struct Entry
    {
        std::uint64_t number = 0;
        Job job;
        bool started = false;
        std::optional<Read> read;
    };

    void work();
    [[nodiscard]] bool hasRoom() const;
    [[nodiscard]] Read readSource(const Job &job);

    const EngineSettings &m_settings;
    FolderCache m_folders{4};
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Entry> m_entries;
    std::uint64_t m_nextNumber = 0;
    std::size_t m_done = 0;   // entries read and not yet taken
    qsizetype m_held = 0;     // bytes they hold
    int m_open = 0;           // of them, sources left open
    bool m_ending = false;
    std::thread m_thread;     // started with the first job
};

} // namespace hy3
