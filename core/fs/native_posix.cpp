// SPDX-License-Identifier: MIT
// The file layer on POSIX systems: every call relative to an open folder, so
// a path is resolved once per batch and names are used as the bytes they are.

#include "native_internal.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/random.h>
#include <sys/syscall.h>
#endif

namespace hy3::fs::native {

namespace {


Error failure(int code)
{
    return fromSystem(code);
}

Error lastError()
{
    return fromSystem(errno);
}

int fd(const Handle &handle)
{
    return static_cast<int>(handle.get());
}

int fd(const Folder &folder)
{
    return fd(folder.handle);
}

Type typeOf(mode_t mode)
{
    if (S_ISREG(mode))
        return Type::Regular;
    if (S_ISDIR(mode))
        return Type::Folder;
    if (S_ISLNK(mode))
        return Type::Link;
    return Type::Other;
}

Status statusOf(const struct stat &st)
{
    Status status;
    status.type = typeOf(st.st_mode);
    status.size = static_cast<std::uint64_t>(st.st_size);
#if defined(__APPLE__)
    const timespec &modified = st.st_mtimespec;
#else
    const timespec &modified = st.st_mtim;
#endif
    status.modifiedMs = static_cast<std::int64_t>(modified.tv_sec) * 1000 + modified.tv_nsec / 1000000;
    status.identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return status;
}

// ---- temporaries ----------------------------------------------------------

constexpr std::size_t kTemporaryLength = 31; // see detail::temporaryName

// The temporaries this process is writing, for removal from a signal handler:
// plain slots, claimed and released with atomics only.
struct PendingSlot
{
    std::atomic<int> folder{-1}; // -1 free, -2 being filled
    char name[kTemporaryLength + 1] = {};
};

PendingSlot g_pending[1024];

void remember(int folder, const String &name)
{
    for (PendingSlot &slot : g_pending) {
        int expected = -1;
        if (slot.folder.compare_exchange_strong(expected, -2)) {
            std::memcpy(slot.name, name.c_str(), name.size() + 1);
            slot.folder.store(folder);
            return;
        }
    }
    // All slots busy: the temporary is still removed by the next run.
}

std::uint64_t randomBits()
{
    std::uint64_t bits = 0;
#if defined(__linux__)
    if (getrandom(&bits, sizeof bits, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof bits))
        return bits;
#endif
    static std::atomic<std::uint64_t> counter{0};
    bits = (static_cast<std::uint64_t>(getpid()) << 32) ^ static_cast<std::uint64_t>(time(nullptr))
        ^ (counter.fetch_add(0x9E3779B97F4A7C15ULL) * 0xBF58476D1CE4E5B9ULL);
    return bits;
}

String temporaryName()
{
    return detail::temporaryName(randomBits());
}

extern "C" void removeTemporariesAndDie(int signal)
{
    const int saved = errno;
    removeOwnTemporaries();
    std::signal(signal, SIG_DFL);
    errno = saved;
    std::raise(signal);
}

} // namespace

Error fromSystem(int code)
{
    switch (code) {
    case 0:
        return {};
    case ENOENT:
        return {Cause::NotFound, code};
    case ENOTDIR:
        return {Cause::NotAFolder, code};
    case EISDIR:
        return {Cause::FolderInTheWay, code};
    case EACCES:
    case EPERM:
        return {Cause::NoPermission, code};
    case EROFS:
        return {Cause::ReadOnlyMedium, code};
    case ENOSPC:
    case EDQUOT:
        return {Cause::NoSpace, code};
    case EFBIG:
        return {Cause::TooLarge, code};
    case ENAMETOOLONG:
        return {Cause::NameTooLong, code};
    case EILSEQ:
        return {Cause::InvalidName, code};
    case EIO:
        return {Cause::IoError, code};
    case EMFILE:
    case ENFILE:
        return {Cause::TooManyOpenFiles, code};
    case ENOMEM:
        return {Cause::OutOfMemory, code};
    case EBUSY:
    case ETXTBSY:
        return {Cause::Busy, code};
    case EEXIST:
    case ENOTEMPTY:
        return {Cause::Exists, code};
    case EAGAIN: // only a non-blocking read of a pipe or device says this
        return {Cause::NotRegularFile, code};
    default:
        return {Cause::SystemError, code};
    }
}

// ---- Handle ---------------------------------------------------------------

Error Handle::close()
{
    if (!isOpen())
        return {};
    const int result = ::close(static_cast<int>(release()));
    return result == 0 || errno == EINTR ? Error{} : lastError();
}

// ---- folders and names ----------------------------------------------------

Error openFolder(const String &path, Folder &folder)
{
    if (const int code = detail::injected(testing::Op::Open))
        return failure(code);
    const int handle = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0)
        return lastError();
    folder.handle = Handle(handle);
    folder.path = path;
    return {};
}

Error listFolder(const Folder &folder, std::vector<Entry> &entries)
{
    if (const int code = detail::injected(testing::Op::List))
        return failure(code);
    // A handle of its own, so the listing starts at the first name every time.
    const int handle = ::openat(fd(folder), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0)
        return lastError();
    DIR *dir = ::fdopendir(handle);
    if (!dir) {
        const Error error = lastError();
        ::close(handle);
        return error;
    }
    entries.clear();
    while (true) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry)
            break;
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        Type type = Type::Unknown;
        switch (entry->d_type) {
        case DT_REG:
            type = Type::Regular;
            break;
        case DT_DIR:
            type = Type::Folder;
            break;
        case DT_LNK:
            type = Type::Link;
            break;
        case DT_UNKNOWN:
            break;
        default:
            type = Type::Other;
            break;
        }
        entries.push_back({name, type, name[0] == '.'});
    }
    const Error error = errno != 0 ? lastError() : Error{};
    ::closedir(dir);
    return error;
}

Error statName(const Folder &folder, const String &name, bool followLinks, Status &status)
{
    if (const int code = detail::injected(testing::Op::Stat))
        return failure(code);
    struct stat st {};
    if (::fstatat(fd(folder), name.c_str(), &st, followLinks ? 0 : AT_SYMLINK_NOFOLLOW) != 0)
        return lastError();
    status = statusOf(st);
    return {};
}

Error statFile(const Handle &file, Status &status)
{
    if (const int code = detail::injected(testing::Op::Stat))
        return failure(code);
    struct stat st {};
    if (::fstat(fd(file), &st) != 0)
        return lastError();
    status = statusOf(st);
    return {};
}

// ---- reading --------------------------------------------------------------

Error openForReading(const Folder &folder, const String &name, bool knownRegular, Handle &file)
{
    if (!knownRegular) {
        if (const Error error = detail::requireRegular(folder, name))
            return error;
    }
    if (const int code = detail::injected(testing::Op::Open))
        return failure(code);
    // Non-blocking, so that a name swapped for a pipe meanwhile can't hang us.
    const int handle = ::openat(fd(folder), name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (handle < 0)
        return lastError();
    file = Handle(handle);
    return {};
}

Error readBytes(const Handle &file, char *data, std::size_t size, std::size_t &got)
{
    got = 0;
    while (true) {
        if (const int code = detail::injected(testing::Op::Read))
            return failure(code);
        const ssize_t n = ::read(fd(file), data, size);
        if (n >= 0) {
            got = static_cast<std::size_t>(n);
            return {};
        }
        if (errno != EINTR)
            return lastError();
    }
}

// ---- writing --------------------------------------------------------------

Error createTemporary(const Folder &folder, String &name, Handle &file, Identity &identity)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (const int code = detail::injected(testing::Op::Create))
            return failure(code);
        String candidate = temporaryName();
        // Registered before it exists, so that a signal at any point after the
        // file is created finds it.
        remember(fd(folder), candidate);
        const int handle =
            ::openat(fd(folder), candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (handle < 0) {
            const Error error = lastError();
            forget(folder, candidate);
            if (error.cause == Cause::Exists)
                continue;
            return error;
        }
        Handle created(handle);
        // Locked from now on: a cleaner only removes temporaries it can lock.
        // A cleaner may have opened the new file before the lock and removed
        // it: the name must still lead to this file.
        struct stat mine {}, named {};
        if ((::flock(handle, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) || ::fstat(handle, &mine) != 0
            || ::fstatat(fd(folder), candidate.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0
            || mine.st_ino != named.st_ino || mine.st_dev != named.st_dev) {
            forget(folder, candidate);
            continue;
        }
        name = std::move(candidate);
        file = std::move(created);
        identity = statusOf(mine).identity;
        return {};
    }
    return {Cause::Exists, EEXIST};
}

Error writeBytes(const Handle &file, const char *data, std::size_t size)
{
    while (size > 0) {
        if (const int code = detail::injected(testing::Op::Write))
            return failure(code);
        const ssize_t n = ::write(fd(file), data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return lastError();
        }
        if (n == 0)
            return {Cause::NoSpace, ENOSPC};
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return {};
}

Error syncData(const Handle &file)
{
    if (const int code = detail::injected(testing::Op::Sync))
        return failure(code);
#if defined(__APPLE__)
    // fsync on macOS leaves the data in the drive's cache.
    if (::fcntl(fd(file), F_FULLFSYNC) == 0)
        return {};
    return ::fsync(fd(file)) == 0 ? Error{} : lastError();
#else
    return ::fdatasync(fd(file)) == 0 ? Error{} : lastError();
#endif
}

Error syncFileSystem(const Folder &folder)
{
    if (const int code = detail::injected(testing::Op::Sync))
        return failure(code);
#if defined(__linux__)
    return ::syncfs(fd(folder)) == 0 ? Error{} : lastError();
#else
    (void)folder;
    ::sync();
    return {};
#endif
}

Error syncFolder(const Folder &folder)
{
    if (const int code = detail::injected(testing::Op::Sync))
        return failure(code);
    if (::fsync(fd(folder)) == 0 || errno == EINVAL || errno == ENOTSUP)
        return {}; // some file systems can't sync a folder and need not
    return lastError();
}

Error replaceFile(const Folder &folder, const Handle &, const String &from, const String &to, bool overwrite)
{
    if (const int code = detail::injected(testing::Op::Rename))
        return failure(code);
    if (overwrite)
        return ::renameat(fd(folder), from.c_str(), fd(folder), to.c_str()) == 0 ? Error{} : lastError();
#if defined(__linux__) && defined(SYS_renameat2)
    constexpr unsigned kNoReplace = 1; // RENAME_NOREPLACE
    if (::syscall(SYS_renameat2, fd(folder), from.c_str(), fd(folder), to.c_str(), kNoReplace) == 0)
        return {};
    if (errno != EINVAL && errno != ENOSYS)
        return lastError();
#endif
    // Where the system can't rename without replacing: a new name, then the old one goes.
    if (::linkat(fd(folder), from.c_str(), fd(folder), to.c_str(), 0) != 0)
        return lastError();
    (void)::unlinkat(fd(folder), from.c_str(), 0);
    return {};
}

Error removeFile(const Folder &folder, const String &name)
{
    if (const int code = detail::injected(testing::Op::Remove))
        return failure(code);
    return ::unlinkat(fd(folder), name.c_str(), 0) == 0 ? Error{} : lastError();
}

void forget(const Folder &folder, const String &name)
{
    for (PendingSlot &slot : g_pending) {
        if (slot.folder.load() == fd(folder) && name == slot.name) {
            slot.folder.store(-1);
            return;
        }
    }
}

Error removeStaleTemporaries(const Folder &folder, int &removed)
{
    removed = 0;
    std::vector<Entry> entries;
    if (const Error error = listFolder(folder, entries))
        return error;
    for (const Entry &entry : entries) {
        if (!isTemporaryName(entry.name) || (entry.type != Type::Regular && entry.type != Type::Unknown))
            continue;
        Handle file(::openat(fd(folder), entry.name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        if (file.get() < 0) {
            (void)file.release();
            continue;
        }
        // A converter that is still writing holds the lock.
        if (::flock(fd(file), LOCK_EX | LOCK_NB) != 0)
            continue;
        if (!removeFile(folder, entry.name))
            ++removed;
    }
    return {};
}

void removeOwnTemporaries() noexcept
{
    for (PendingSlot &slot : g_pending) {
        const int folder = slot.folder.load();
        if (folder >= 0) {
            ::unlinkat(folder, slot.name, 0);
            slot.folder.store(-1);
        }
    }
}

void removeTemporariesOnSignals()
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN)
            continue; // left ignored, as under nohup
        struct sigaction action {};
        action.sa_handler = removeTemporariesAndDie;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

Error makeFolders(const String &path)
{
    if (path.empty())
        return {};
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const String part = path.substr(0, end);
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            const Error error = lastError();
            struct stat st {};
            if (::stat(part.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
                return error;
        }
        if (end == String::npos)
            break;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return lastError();
    return S_ISDIR(st.st_mode) ? Error{} : Error{Cause::NotAFolder, ENOTDIR};
}

Error makeWritable(const Folder &folder, const String &name)
{
    struct stat st {};
    if (::fstatat(fd(folder), name.c_str(), &st, 0) != 0)
        return lastError();
    if (st.st_mode & S_IWUSR)
        return {};
    return ::fchmodat(fd(folder), name.c_str(), (st.st_mode & 07777) | S_IWUSR, 0) == 0 ? Error{} : lastError();
}


} // namespace hy3::fs::native
