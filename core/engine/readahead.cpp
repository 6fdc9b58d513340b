// SPDX-License-Identifier: MIT
#include "engine/readahead.h"

#include "format/dataerror.h"

namespace hy3 {

namespace {

// Enough to keep the thread busy while the engine writes; little enough that
// a stop or a failure soon after wastes little.
constexpr std::size_t kAheadFiles = 16;
constexpr qsizetype kAheadBytes = 8 * 1024 * 1024;
// A source larger than this is opened only: its bytes are converted by the
// engine as they are read, not held.
constexpr std::int64_t kConvertAheadBelow = 1024 * 1024;
constexpr int kOpenAhead = 2;

} // namespace

ReadAhead::ReadAhead(const EngineSettings &settings)
    : m_settings(settings)
{
}

ReadAhead::~ReadAhead()
{
    {
        const std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void ReadAhead::expect(const Job &job)
{
    {
        const std::lock_guard lock(m_mutex);
        m_entries.push_back({m_nextNumber++, job, false, std::nullopt});
    }
    if (!m_thread.joinable())
        m_thread = std::thread([this] { work(); });
    m_changed.notify_all();
}

bool ReadAhead::isNext(const Job &job) const
{
    const std::lock_guard lock(m_mutex);
    return !m_entries.empty() && m_entries.front().job.source.text() == job.source.text()
        && m_entries.front().job.destination.text() == job.destination.text();
}

ReadAhead::Read ReadAhead::take()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_entries.front().read.has_value(); });
    Read read = std::move(*m_entries.front().read);
    m_entries.pop_front();
    --m_done;
    if (read.source) {
        m_held -= read.source->heldBytes();
        m_open -= read.source->isOpen() ? 1 : 0;
    }
    lock.unlock();
    m_changed.notify_all();
    return read;
}

void ReadAhead::drop()
{
    std::optional<Read> dropped; // closed outside the lock
    {
        const std::lock_guard lock(m_mutex);
        Entry &front = m_entries.front();
        if (front.read) {
            --m_done;
            if (front.read->source) {
                m_held -= front.read->source->heldBytes();
                m_open -= front.read->source->isOpen() ? 1 : 0;
            }
            dropped = std::move(front.read);
        }
        // One still being read is let go when the thread is done with it.
        m_entries.pop_front();
    }
    m_changed.notify_all();
}

bool ReadAhead::hasRoom() const
{
    return m_done < kAheadFiles && m_held < kAheadBytes && m_open < kOpenAhead;
}

void ReadAhead::work()
{
    std::unique_lock lock(m_mutex);
    while (true) {
        Entry *next = nullptr;
        m_changed.wait(lock, [&] {
            if (m_ending)
                return true;
            next = nullptr;
            for (Entry &entry : m_entries) {
                if (!entry.started) {
                    next = &entry;
                    break;
                }
            }
            return next && hasRoom();
        });
        if (m_ending)
            return;
        next->started = true;
        const std::uint64_t number = next->number;
        const Job job = next->job;
        lock.unlock();
        Read read;
        try {
            read = readSource(job);
        } catch (...) {
            read = Read{std::nullopt, {}, true};
        }
        lock.lock();
        // Taken from the front meanwhile (dropped): nothing waits for it.
        for (Entry &entry : m_entries) {
            if (entry.number == number) {
                ++m_done;
                if (read.source) {
                    m_held += read.source->heldBytes();
                    m_open += read.source->isOpen() ? 1 : 0;
                }
                entry.read = std::move(read);
                break;
            }
        }
        m_changed.notify_all();
    }
}

ReadAhead::Read ReadAhead::readSource(const Job &job)
{
    Read read;
    std::shared_ptr<OpenFolder> folder;
    if (const fs::sys::Error error = m_folders.open(job.source.folder, MakeFolders::None, folder))
        read.failure = error.during(Action::OpenSourceFolder);
    else
        read.failure = caught([&] { read.source.emplace(*folder->folder, job.source.name); });
    if (read.failure) {
        read.source.reset();
        read.leftToEngine = read.failure.cause == Cause::TooManyOpenFiles || read.failure.cause == Cause::OutOfMemory;
        return read;
    }
    std::int64_t size = kConvertAheadBelow;
    (void)caught([&] { size = static_cast<std::int64_t>(read.source->status().size); });
    if (read.source->count() > 0 && !checkOptions(job.kind, m_settings.columns) && size < kConvertAheadBelow)
        read.source->convertAhead(job.kind, m_settings.columns);
    return read;
}

} // namespace hy3
