// SPDX-License-Identifier: MIT
#include "tempfile.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>

namespace hy3::fs {

namespace {

constexpr char kPrefix[] = "~hy3-converter-";
constexpr char kSuffix[] = ".tmp";
constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz234567";
constexpr std::size_t kRandomLength = 12;
constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;
constexpr std::size_t kSuffixLength = sizeof kSuffix - 1;
constexpr std::size_t kNameLength = kPrefixLength + kRandomLength + kSuffixLength;
constexpr int kCreateTries = 100;
// Waits before the tries of a rename while another program holds the file:
// virus scanners and indexers open a new file for a moment.
constexpr std::array<int, 7> kBusyWaitsMs{0, 10, 20, 40, 80, 160, 320};

// The temporaries being written, for removal from a signal handler: plain
// slots, claimed and released with atomics only. A batch has at most one
// group of files pending, far fewer than this.
struct Slot
{
    std::atomic<int> state{0}; // 0 free, 1 being filled, 2 in use
    std::intptr_t folder = -1;
    std::intptr_t file = -1;
    char name[kNameLength + 1] = {};
};

std::array<Slot, 1024> g_slots;

int claimSlot(const sys::Folder &folder, const std::string &name)
{
    for (std::size_t i = 0; i < g_slots.size(); ++i) {
        int expected = 0;
        Slot &slot = g_slots[i];
        if (slot.state.compare_exchange_strong(expected, 1)) {
            slot.folder = folder.handle.get();
            slot.file = -1;
            std::memcpy(slot.name, name.c_str(), name.size() + 1);
            slot.state.store(2);
            return static_cast<int>(i);
        }
    }
    return -1; // all busy: the next run's sweep removes it
}

void setSlotFile(int slot, std::intptr_t file)
{
    if (slot < 0)
        return;
    Slot &s = g_slots[static_cast<std::size_t>(slot)];
    s.state.store(1);
    s.file = file;
    s.state.store(2);
}

void releaseSlot(int &slot)
{
    if (slot >= 0)
        g_slots[static_cast<std::size_t>(slot)].state.store(0);
    slot = -1;
}

std::uint64_t mixed(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

std::uint64_t randomBits()
{
    static const std::uint64_t seed = [] {
        std::random_device device;
        return (static_cast<std::uint64_t>(device()) << 32) ^ device()
            ^ static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }();
    static std::atomic<std::uint64_t> counter{0};
    return mixed(seed ^ mixed(counter.fetch_add(1)));
}

std::string newName()
{
    std::string name = kPrefix;
    for (std::uint64_t bits = randomBits(), i = 0; i < kRandomLength; ++i, bits >>= 5)
        name += kAlphabet[bits & 31];
    return name + kSuffix;
}

sys::String widened(const std::string &ascii)
{
    return sys::String(ascii.begin(), ascii.end());
}

} // namespace

sys::Error TemporaryFile::create(std::shared_ptr<const sys::Folder> folder, std::unique_ptr<TemporaryFile> &created,
                                  bool named)
{
    std::unique_ptr<TemporaryFile> file(new TemporaryFile);
    file->m_folder = std::move(folder);
    if (!named) {
        const sys::Error error = sys::createUnnamed(*file->m_folder, file->m_file, file->m_identity);
        if (!error) {
            file->m_unnamed = true;
            created = std::move(file);
            return {};
        }
        if (error.cause != Cause::Unsupported)
            return error;
    }
    if (const sys::Error error = file->createNamed())
        return error;
    created = std::move(file);
    return {};
}

sys::Error TemporaryFile::createNamed()
{
    for (int attempt = 0; attempt < kCreateTries; ++attempt) {
        const std::string name = newName();
        // Registered before it exists: a signal at any moment after it is
        // created finds it.
        m_slot = claimSlot(*m_folder, name);
        m_name = widened(name);
        const sys::Error error = sys::createNew(*m_folder, m_name, m_file, m_identity);
        if (!error) {
            setSlotFile(m_slot, m_file.get());
            return {};
        }
        releaseSlot(m_slot);
        m_name.clear();
        if (error.cause != Cause::Exists && error.cause != Cause::Busy)
            return error;
    }
    return {Cause::Exists, 0};
}

sys::Error TemporaryFile::nameTemporarily()
{
    // Locked before it is seen: a sweep leaves a file alone while it is held.
    if (const sys::Error locked = sys::markBeingWritten(m_file); locked && locked.cause != Cause::NoLocks)
        return locked;
    for (int attempt = 0; attempt < kCreateTries; ++attempt) {
        const std::string name = newName();
        m_slot = claimSlot(*m_folder, name);
        m_name = widened(name);
        const sys::Error error = sys::nameUnnamed(*m_folder, m_file, m_name);
        if (!error) {
            m_unnamed = false;
            return {};
        }
        releaseSlot(m_slot);
        m_name.clear();
        if (error.cause != Cause::Exists)
            return error;
    }
    return {Cause::Exists, 0};
}

TemporaryFile::~TemporaryFile()
{
    discard();
}

sys::Error TemporaryFile::write(const char *data, std::size_t size)
{
    while (size > 0) {
        std::size_t written = 0;
        if (const sys::Error error = sys::writeSome(m_file, data, size, written))
            return error;
        if (written == 0)
            return {Cause::NoSpace, 0};
        data += written;
        size -= written;
        m_notStarted += written;
    }
    // A large file goes to the disk while the rest of it is made, so that
    // the group's flush has little left to wait for; a small one waits for
    // the flush, which writes many of them in one go.
    if (m_notStarted < kWriteBackStep)
        return {};
    m_notStarted = 0;
    return sys::startWriteBack(m_file);
}

sys::Error TemporaryFile::syncData()
{
    return sys::syncData(m_file);
}

sys::Error TemporaryFile::writeOut()
{
    return sys::writeOut(m_file);
}

sys::Error TemporaryFile::commit(const sys::String &name, bool replace)
{
    if (m_unnamed) {
        // Where nothing has the name, the file gets it in one step.
        const sys::Error error = sys::nameUnnamed(*m_folder, m_file, name);
        if (!error) {
            m_unnamed = false;
            (void)m_file.close();
            return {};
        }
        if (error.cause != Cause::Exists || !replace)
            return error;
        // Something has it: a name of our own first, then the one step of a rename over it.
        if (const sys::Error named = nameTemporarily())
            return named;
    }
    // Out of the registry first: once renamed, the file is the user's output,
    // which an interrupt must never remove.
    releaseSlot(m_slot);
    sys::Error error;
    for (const int waitMs : kBusyWaitsMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
        error = sys::rename({*m_folder, m_name, m_file}, name, replace);
        if (error.cause != Cause::Busy)
            break;
    }
    if (!error) {
        m_name.clear();
        (void)m_file.close();
        return {};
    }
    m_slot = claimSlot(*m_folder, std::string(m_name.begin(), m_name.end()));
    setSlotFile(m_slot, m_file.get());
    // The folder and the file are there, yet "not found": the name is refused.
    sys::Status status;
    if (error.cause == Cause::NotFound && !sys::statAt(*m_folder, m_name, false, status))
        return {Cause::InvalidName, error.code};
    return error;
}

void TemporaryFile::discard()
{
    if (m_unnamed) { // nothing of it was ever seen
        m_unnamed = false;
        (void)m_file.close();
        return;
    }
    if (m_name.empty())
        return;
    releaseSlot(m_slot);
    (void)m_file.close();
    (void)sys::removeAt(*m_folder, m_name);
    m_name.clear();
}

bool isTemporaryName(const sys::String &name)
{
    if (name.size() != kNameLength)
        return false;
    for (std::size_t i = 0; i < kNameLength; ++i) {
        const auto c = name[i];
        if (i < kPrefixLength) {
            if (c != static_cast<sys::Char>(kPrefix[i]))
                return false;
        } else if (i < kPrefixLength + kRandomLength) {
            if (!((c >= 'a' && c <= 'z') || (c >= '2' && c <= '7')))
                return false;
        } else if (c != static_cast<sys::Char>(kSuffix[i - kPrefixLength - kRandomLength])) {
            return false;
        }
    }
    return true;
}

sys::Error removeLeftovers(const sys::Folder &folder, int &removed)
{
    removed = 0;
    std::vector<sys::String> leftovers;
    const sys::Error error = sys::listFolder(folder, [&](const sys::Entry &entry) {
        const sys::String name = entry.name;
        if ((entry.type == sys::Type::Regular || entry.type == sys::Type::Unknown) && isTemporaryName(name))
            leftovers.push_back(name);
        return true;
    });
    for (const sys::String &name : leftovers) {
        if (!sys::removeLeftover(folder, name))
            ++removed;
    }
    return error;
}

void removeOwnTemporaries() noexcept
{
    for (Slot &slot : g_slots) {
        if (slot.state.load() == 2) {
            sys::removeFromHandler({slot.folder, slot.file, slot.name});
            slot.state.store(0);
        }
    }
}

int registeredTemporaries()
{
    int count = 0;
    for (const Slot &slot : g_slots)
        count += slot.state.load() != 0 ? 1 : 0;
    return count;
}

} // namespace hy3::fs
