// SPDX-License-Identifier: MIT
// The system calls on POSIX systems: every name relative to an open folder,
// used as the bytes it is.

#include "faults.h"
#include "sys.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <algorithm>
#include <iterator>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#if defined(__linux__)
#include <linux/magic.h>
#include <sys/vfs.h>
#endif
#include <unistd.h>
#if defined(__linux__)
#include <sys/syscall.h>
#endif

namespace hy3::fs::sys {

namespace detail {

template <>
int failedWith<int>(int code)
{
    errno = code;
    return -1;
}

template <>
ssize_t failedWith<ssize_t>(int code) // read, write, syscall
{
    errno = code;
    return -1;
}

template <>
DIR *failedWith<DIR *>(int code)
{
    errno = code;
    return nullptr;
}

template <>
dirent *failedWith<dirent *>(int code)
{
    errno = code;
    return nullptr;
}

} // namespace detail

namespace {

Error lastError()
{
    return fromSystem(errno);
}

Error check(int result)
{
    return result == 0 ? Error{} : lastError();
}

int fd(const Handle &handle)
{
    return static_cast<int>(handle.get());
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
    status.readOnly = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    return status;
}

Type typeOf(unsigned char direntType)
{
    switch (direntType) {
    case DT_REG:
        return Type::Regular;
    case DT_DIR:
        return Type::Folder;
    case DT_LNK:
        return Type::Link;
    case DT_UNKNOWN:
        return Type::Unknown;
    default:
        return Type::Other;
    }
}

bool isDotOrDotDot(const char *name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

Error lock(const Handle &file)
{
    if (after(Call::Lock, [&] { return ::flock(fd(file), LOCK_EX | LOCK_NB); }) == 0)
        return {};
    return errno == EWOULDBLOCK ? Error{Cause::Busy, errno} : fromSystem(errno);
}

// The system can't give a new name without replacing (renameat2's flag, or
// hard links): FUSE file systems, SMB shares, exFAT.
bool unsupported(int code)
{
    return code == EINVAL || code == ENOSYS || code == ENOTSUP || code == EOPNOTSUPP || code == EPERM;
}

Error renameWithoutReplacing(const OpenFile &file, const String &to)
{
    const int folder = fd(file.folder.handle);
    const char *from = file.name.c_str();
#if defined(__linux__) && defined(SYS_renameat2)
    constexpr unsigned kNoReplace = 1; // RENAME_NOREPLACE
    if (before(Call::Rename, [&] { return ::syscall(SYS_renameat2, folder, from, folder, to.c_str(), kNoReplace); }) == 0)
        return {};
    if (!unsupported(errno))
        return lastError();
#endif
    // A second name, then the first goes: never replaces.
    if (before(Call::Link, [&] { return ::linkat(folder, from, folder, to.c_str(), 0); }) == 0) {
        (void)before(Call::Remove, [&] { return ::unlinkat(folder, from, 0); });
        return {};
    }
    if (!unsupported(errno))
        return lastError();
    // Neither: look, then rename. Another program that puts a file there
    // between the two calls loses it; nothing better exists on such a system.
    struct stat st {};
    if (after(Call::Stat, [&] { return ::fstatat(folder, to.c_str(), &st, AT_SYMLINK_NOFOLLOW); }) == 0)
        return {Cause::Exists, EEXIST};
    if (errno != ENOENT)
        return lastError();
    return check(before(Call::Rename, [&] { return ::renameat(folder, from, folder, to.c_str()); }));
}

// A descriptor just opened (or the failure to open it), kept when what it
// opened is of a type `wanted` takes: anything else is NotRegularFile.
Error keepIf(int handle, bool (*wanted)(Type), Handle &file, Status &status)
{
    if (handle < 0)
        return lastError();
    Handle opened(handle);
    if (const Error error = statHandle(opened, status))
        return error;
    if (!wanted(status.type))
        return {Cause::NotRegularFile, 0};
    file = std::move(opened);
    return {};
}

// A regular file opened for reading, or why not. Non-blocking, so that a
// name swapped for a pipe meanwhile can't hang us.
Error openRegularFile(const Folder &folder, const String &name, int flags, Handle &file, Status &status)
{
    const int handle = before(Call::Open, [&] {
        return ::openat(fd(folder.handle), name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | flags);
    });
    return keepIf(handle, [](Type type) { return type == Type::Regular; }, file, status);
}

// A read or a write, again when a signal cut it short before any byte.
template <typename Io>
Error transfer(Call call, Io io, std::size_t &done)
{
    done = 0;
    while (true) {
        const ssize_t n = after(call, io);
        if (n >= 0) {
            done = static_cast<std::size_t>(n);
            return {};
        }
        if (errno != EINTR)
            return lastError();
    }
}

std::atomic<InterruptHandler> g_interrupt{nullptr};
std::atomic<int> g_interrupts{0};

extern "C" void onSignal(int signal)
{
    const int saved = errno;
    const InterruptHandler handler = g_interrupt.load();
    if (handler && handler(++g_interrupts)) {
        errno = saved;
        return;
    }
    std::signal(signal, SIG_DFL);
    errno = saved;
    std::raise(signal);
}

} // namespace

Error fromSystem(int code)
{
    static constexpr detail::CauseOf kCauses[] = {
        {ENOENT, Cause::NotFound},          {ENOTDIR, Cause::NotAFolder},     {EISDIR, Cause::FolderInTheWay},
        {EACCES, Cause::NoPermission},      {EPERM, Cause::NoPermission},     {EROFS, Cause::ReadOnlyMedium},
        {ENOSPC, Cause::NoSpace},           {EDQUOT, Cause::NoSpace},         {EFBIG, Cause::TooLarge},
        {ENAMETOOLONG, Cause::NameTooLong}, {EILSEQ, Cause::InvalidName},     {EIO, Cause::IoError},
        {EMFILE, Cause::TooManyOpenFiles},  {ENFILE, Cause::TooManyOpenFiles}, {ENOMEM, Cause::OutOfMemory},
        {EBUSY, Cause::Busy},               {ETXTBSY, Cause::Busy},           {EEXIST, Cause::Exists},
        {ENOTEMPTY, Cause::Exists},         {EXDEV, Cause::CrossDevice},      {ENOLCK, Cause::NoLocks},
        // Only a non-blocking read of a pipe or a device says this.
        {EAGAIN, Cause::NotRegularFile},
    };
    return detail::lookUp(code, kCauses, std::size(kCauses));
}

// ---- names ------------------------------------------------------------------

namespace {

constexpr char16_t kKeptByte = 0xDC00; // U+DC80..U+DCFF: bytes 0x80..0xFF that are not UTF-8

// Length of the valid UTF-8 sequence at `at`, or 0 when it is not one.
int utf8Length(const unsigned char *s, std::size_t size, std::size_t at, char32_t &code)
{
    const unsigned char lead = s[at];
    int length = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (at + static_cast<std::size_t>(length) > size)
        return 0;
    for (int i = 1; i < length; ++i) {
        const unsigned char next = s[at + static_cast<std::size_t>(i)];
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

void appendUtf8(String &bytes, char32_t code)
{
    if (code < 0x80) {
        bytes += static_cast<char>(code);
    } else if (code < 0x800) {
        bytes += static_cast<char>(0xC0 | (code >> 6));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        bytes += static_cast<char>(0xE0 | (code >> 12));
        bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        bytes += static_cast<char>(0xF0 | (code >> 18));
        bytes += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

} // namespace

String fromUtf16(std::u16string_view text)
{
    String bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= kKeptByte + 0x80 && c <= kKeptByte + 0xFF) {
            bytes += static_cast<char>(c - kKeptByte);
        } else if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            appendUtf8(bytes, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else {
            appendUtf8(bytes, isHighSurrogate(c) || isLowSurrogate(c) ? 0xFFFD : c);
        }
    }
    return bytes;
}

std::u16string toUtf16(const String &name)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(name.data());
    std::u16string text;
    text.reserve(name.size());
    for (std::size_t at = 0; at < name.size();) {
        char32_t code = 0;
        const int length = utf8Length(bytes, name.size(), at, code);
        if (length == 0) {
            text += static_cast<char16_t>(kKeptByte + bytes[at]);
            ++at;
            continue;
        }
        if (code < 0x10000) {
            text += static_cast<char16_t>(code);
        } else {
            text += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        }
        at += static_cast<std::size_t>(length);
    }
    return text;
}

bool isSeparator(char16_t c)
{
    return c == u'/';
}

// ---- text -------------------------------------------------------------------

bool convertsCp932()
{
    return false; // Qt's own, with ICU
}

std::u16string decodeCp932(std::string_view bytes)
{
    return std::u16string(bytes.size(), u'\uFFFD');
}

std::string encodeCp932(std::u16string_view text)
{
    return std::string(text.size(), '?');
}

// ---- standard streams and the files the user names -------------------------

namespace {

int descriptorOf(Stream stream)
{
    return stream == Stream::Input ? STDIN_FILENO : stream == Stream::Output ? STDOUT_FILENO : STDERR_FILENO;
}

} // namespace

bool isTerminal(Stream stream)
{
    return ::isatty(descriptorOf(stream)) == 1;
}

Error writeAll(Stream stream, const char *data, std::size_t size)
{
    const int out = descriptorOf(stream);
    while (size > 0) {
        std::size_t written = 0;
        if (const Error error = transfer(Call::Write, [&] { return ::write(out, data, size); }, written))
            return error;
        if (written == 0)
            return {Cause::NoSpace, ENOSPC};
        data += written;
        size -= written;
    }
    return {};
}

Utf8Console::Utf8Console() = default; // terminals here take UTF-8 as they are
Utf8Console::~Utf8Console() = default;

Error openToRead(const String &path, Handle &file)
{
    const int handle = before(Call::Open, [&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY); });
    Status status;
    return keepIf(handle, [](Type type) { return type != Type::Folder; }, file, status); // a pipe is read as it comes
}

Error readAll(Stream stream, std::string &bytes)
{
    Handle input(::dup(descriptorOf(stream)));
    if (!input.isOpen())
        return lastError();
    return readAll(input, bytes);
}

// ---- the window's button on the taskbar ---------------------------------------

TaskbarProgress::TaskbarProgress(std::intptr_t window)
    : m_window(window)
{
}

TaskbarProgress::~TaskbarProgress() = default;

void TaskbarProgress::show(int)
{
}

void TaskbarProgress::clear()
{
}

// ---- drives -------------------------------------------------------------------

namespace {

// "\040" in a mount table stands for a space.
std::string unescaped(std::string_view field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            out += static_cast<char>(std::stoi(std::string(field.substr(i + 1, 3)), nullptr, 8));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

} // namespace

std::vector<Mount> mounts()
{
    std::vector<Mount> found{{"/", {}}};
    // The kernel's own table: reading it never waits on a mount.
    Handle table;
    std::string text;
    if (openToRead("/proc/self/mountinfo", table) || readAll(table, text))
        return found;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::vector<std::string_view> fields;
        const std::string_view line(text.data() + start, end - start);
        for (std::size_t at = 0; at <= line.size();) {
            std::size_t space = line.find(' ', at);
            if (space == std::string_view::npos)
                space = line.size();
            fields.push_back(line.substr(at, space - at));
            at = space + 1;
        }
        start = end + 1;
        const auto separator = std::find(fields.begin(), fields.end(), "-");
        if (fields.size() < 5 || separator == fields.end() || separator + 1 == fields.end())
            continue;
        found.push_back({unescaped(fields[4]), std::string(*(separator + 1))});
    }
    return found;
}

DriveAnswer askDrive(const String &root)
{
    struct statvfs info {};
    return {::statvfs(root.c_str(), &info) == 0, {}};
}

// ---- Handle -----------------------------------------------------------------

Error Handle::close()
{
    if (!isOpen())
        return {};
    const int handle = static_cast<int>(release());
    const int result = after(Call::Close, [&] { return ::close(handle); });
    return result == 0 || errno == EINTR ? Error{} : lastError();
}

// ---- folders ----------------------------------------------------------------

Error openFolder(const String &path, Folder &folder)
{
    const int handle = before(Call::OpenFolder, [&] { return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (handle < 0)
        return lastError();
    folder.handle = Handle(handle);
    folder.path = path;
    return {};
}

Error fullPath(const String &path, String &full)
{
    full = path; // a relative path means the same folder to every call here
    return {};
}

Error openSubfolder(const Folder &parent, const String &name, Folder &folder)
{
    const int handle = before(Call::OpenFolder, [&] {
        return ::openat(fd(parent.handle), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    });
    if (handle < 0) {
        // A link there says ELOOP, or ENOTDIR as the link itself is no folder.
        const Error error = lastError();
        struct stat st {};
        if ((error.code == ELOOP || error.code == ENOTDIR)
            && after(Call::Stat, [&] { return ::fstatat(fd(parent.handle), name.c_str(), &st, AT_SYMLINK_NOFOLLOW); }) == 0
            && S_ISLNK(st.st_mode))
            return {Cause::LinkInTheWay, error.code};
        return error;
    }
    folder.handle = Handle(handle);
    folder.path = parent.path.empty() || parent.path.back() == '/' ? parent.path + name : parent.path + '/' + name;
    return {};
}

Error makeSubfolder(const Folder &parent, const String &name)
{
    return check(before(Call::MakeFolder, [&] { return ::mkdirat(fd(parent.handle), name.c_str(), 0777); }));
}

Error removeSubfolder(const Folder &parent, const String &name)
{
    return check(before(Call::Remove, [&] { return ::unlinkat(fd(parent.handle), name.c_str(), AT_REMOVEDIR); }));
}

Error listFolder(const Folder &folder, const std::function<bool(const Entry &)> &each)
{
    // A handle of its own, so that the listing starts at the first name every time.
    const int handle = before(Call::ListFolder, [&] { return ::openat(fd(folder.handle), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (handle < 0)
        return lastError();
    DIR *dir = before(Call::ListFolder, [&] { return ::fdopendir(handle); });
    if (!dir) {
        const Error error = lastError();
        ::close(handle);
        return error;
    }
    Error error;
    while (true) {
        errno = 0;
        const dirent *entry = after(Call::ListFolder, [&] { return ::readdir(dir); });
        if (!entry) {
            if (errno != 0)
                error = lastError();
            break;
        }
        if (isDotOrDotDot(entry->d_name))
            continue;
        if (!each({entry->d_name, typeOf(entry->d_type), entry->d_name[0] == '.'}))
            break;
    }
    (void)after(Call::Close, [&] { return ::closedir(dir); });
    return error;
}

Error statAt(const Folder &folder, const String &name, bool followLinks, Status &status)
{
    struct stat st {};
    if (after(Call::Stat, [&] {
            return ::fstatat(fd(folder.handle), name.c_str(), &st, followLinks ? 0 : AT_SYMLINK_NOFOLLOW);
        }) != 0)
        return lastError();
    status = statusOf(st);
    return {};
}

Error statHandle(const Handle &file, Status &status)
{
    struct stat st {};
    if (after(Call::Stat, [&] { return ::fstat(fd(file), &st); }) != 0)
        return lastError();
    status = statusOf(st);
    return {};
}

Error checkWritable(const String &path)
{
    return check(after(Call::Access, [&] { return ::faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS); }));
}

// ---- reading ----------------------------------------------------------------

Error openForReading(const Folder &folder, const String &name, Handle &file)
{
    Status status;
    return openRegularFile(folder, name, 0, file, status);
}

Error openForReading(const Folder &folder, const String &name, Handle &file, std::optional<Status> &status)
{
    Status opened;
    const Error error = openRegularFile(folder, name, 0, file, opened);
    if (!error)
        status = opened;
    return error;
}

Error readSome(const Handle &file, char *data, std::size_t size, std::size_t &got)
{
    return transfer(Call::Read, [&] { return ::read(fd(file), data, size); }, got);
}

Error readAll(const Handle &file, std::string &bytes)
{
    char block[65536];
    for (;;) {
        std::size_t got = 0;
        if (const Error error = readSome(file, block, sizeof block, got))
            return error;
        if (got == 0)
            return {};
        bytes.append(block, got);
    }
}

// ---- writing ----------------------------------------------------------------

namespace {

// The file created under its name, then locked: until the lock, another
// converter's sweep may take it for a leftover and remove it, so the name
// must still lead to this very file. When it does not, the name is Busy:
// another will do.
Error createNamed(const Folder &folder, const String &name, Handle &file, Identity &identity)
{
    const int handle = before(Call::Create, [&] {
        return ::openat(fd(folder.handle), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    });
    if (handle < 0)
        return lastError();
    Handle created(handle);
    const Error locked = lock(created);
    Status mine;
    Status named;
    Error error = locked.cause == Cause::NoLocks ? Error{} : locked; // where there are no locks, no sweep can lock either
    if (!error)
        error = statHandle(created, mine);
    if (!error)
        error = statAt(folder, name, false, named);
    if (!error && mine.identity == named.identity) {
        file = std::move(created);
        identity = mine.identity;
        return {};
    }
    (void)created.close();
    if (!error || error.cause == Cause::NotFound)
        return {Cause::Busy, EWOULDBLOCK}; // a sweep took it: the name is no longer ours
    if (error.cause != Cause::Busy)
        (void)removeAt(folder, name); // ours, and of no use: it must not stay behind
    return error;
}

#if defined(__linux__) && defined(O_TMPFILE)
// A file system that can't make a file without a name (O_TMPFILE), or a
// system that can't link one in (no /proc, no hard links there).
bool refusesUnnamed(int code)
{
    return code == EOPNOTSUPP || code == EISDIR || code == EINVAL || code == ENOENT || code == EPERM
        || code == ENOSYS || code == EXDEV || code == EMLINK;
}

Error openUnnamed(const Folder &folder, Handle &file, Identity &identity)
{
    const int handle = before(Call::Create, [&] {
        return ::openat(fd(folder.handle), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    });
    if (handle < 0)
        return refusesUnnamed(errno) ? Error{Cause::Unsupported, errno} : lastError();
    Handle created(handle);
    Status status;
    if (const Error error = statHandle(created, status))
        return error;
    file = std::move(created);
    identity = status.identity;
    return {};
}

Error linkUnnamed(const Folder &folder, const Handle &file, const String &name)
{
    char self[32];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd(file));
    if (before(Call::Link, [&] {
            return ::linkat(AT_FDCWD, self, fd(folder.handle), name.c_str(), AT_SYMLINK_FOLLOW);
        }) == 0)
        return {};
    return lastError();
}
#endif

} // namespace

Error createNew(const Folder &folder, const String &name, Handle &file, Identity &identity)
{
#if defined(__linux__) && defined(O_TMPFILE)
    // Made without a name, locked, then named where the system allows it: no
    // sweep ever sees it unlocked, and a kill before the name leaves nothing.
    if (folder.unnamedFiles != Folder::UnnamedFiles::Refused) {
        Handle unnamed;
        Identity mine;
        Error error = openUnnamed(folder, unnamed, mine);
        if (!error) {
            const Error locked = markBeingWritten(unnamed);
            if (locked && locked.cause != Cause::NoLocks)
                return locked;
            error = linkUnnamed(folder, unnamed, name);
            if (!error) {
                folder.unnamedFiles = Folder::UnnamedFiles::Work;
                file = std::move(unnamed);
                identity = mine;
                return {};
            }
            if (folder.unnamedFiles == Folder::UnnamedFiles::Work || !refusesUnnamed(error.code))
                return error;
        } else if (error.cause != Cause::Unsupported) {
            return error;
        }
        folder.unnamedFiles = Folder::UnnamedFiles::Refused;
    }
#endif
    return createNamed(folder, name, file, identity);
}

Error createUnnamed(const Folder &folder, Handle &file, Identity &identity)
{
#if defined(__linux__) && defined(O_TMPFILE)
    if (folder.unnamedFiles == Folder::UnnamedFiles::Work) {
        const Error error = openUnnamed(folder, file, identity);
        return error.cause == Cause::Unsupported ? fromSystem(error.code) : error; // it worked here before: a real failure
    }
#else
    (void)folder;
    (void)file;
    (void)identity;
#endif
    return {Cause::Unsupported, EOPNOTSUPP};
}

Error nameUnnamed(const Folder &folder, const Handle &file, const String &name)
{
#if defined(__linux__) && defined(O_TMPFILE)
    const Error error = linkUnnamed(folder, file, name);
    // A file system that refuses the characters of a name (vfat) says EINVAL.
    return error.code == EINVAL ? Error{Cause::InvalidName, EINVAL} : error;
#else
    (void)folder;
    (void)file;
    (void)name;
    return {Cause::Unsupported, EOPNOTSUPP};
#endif
}

Error markBeingWritten(const Handle &file)
{
    return lock(file);
}

Error removeLeftover(const Folder &folder, const String &name)
{
    Handle opened;
    Status status;
    if (const Error error = openRegularFile(folder, name, O_NOFOLLOW, opened, status))
        return error;
    // A converter that is still writing holds the lock.
    if (const Error error = lock(opened))
        return error;
    return removeAt(folder, name);
}

Error writeSome(const Handle &file, const char *data, std::size_t size, std::size_t &written)
{
    return transfer(Call::Write, [&] { return ::write(fd(file), data, size); }, written);
}

Error startWriteBack(const Handle &file)
{
#if defined(__linux__)
    if (after(Call::StartWriteBack, [&] { return ::sync_file_range(fd(file), 0, 0, SYNC_FILE_RANGE_WRITE); }) == 0)
        return {};
    if (errno == EINVAL || errno == ENOSYS || errno == ESPIPE || errno == EOPNOTSUPP)
        return {}; // a file system without write-back of its own
    return lastError();
#else
    (void)file;
    return {};
#endif
}

Error syncData(const Handle &file)
{
#if defined(__APPLE__)
    // fsync on macOS leaves the data in the drive's cache.
    return check(after(Call::SyncData, [&] { return ::fcntl(fd(file), F_FULLFSYNC) == 0 ? 0 : ::fsync(fd(file)); }));
#else
    return check(after(Call::SyncData, [&] { return ::fdatasync(fd(file)); }));
#endif
}

bool fileSystemFlushCovers(const Folder &folder)
{
#if defined(__linux__)
    struct statfs info {};
    if (after(Call::StatFileSystem, [&] { return ::fstatfs(fd(folder.handle), &info); }) != 0)
        return false;
    // Magic numbers of <linux/magic.h>; those older headers lack are spelled out.
    constexpr unsigned long kExfat = 0x2011BAB0;
    constexpr unsigned long kNtfs3 = 0x7366746E;
    constexpr unsigned long kBcachefs = 0xCA451A4E;
    switch (static_cast<unsigned long>(info.f_type)) {
    case EXT4_SUPER_MAGIC: // ext2 and ext3 too
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case MSDOS_SUPER_MAGIC:
    case kExfat:
    case kNtfs3:
    case kBcachefs:
    case TMPFS_MAGIC:
        return true;
    default:
        return false;
    }
#else
    (void)folder;
    return false;
#endif
}

bool batchFlushCovers(const Folder &)
{
    // Where one flush of a file system covers its files, it is syncfs; the
    // tests walk the other way with the same calls.
    return testing::pretendedBatchFlushCovers().value_or(false);
}

Error writeOut(const Handle &file)
{
#if defined(__linux__)
    constexpr unsigned kAll = SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
    if (after(Call::WriteOut, [&] { return ::sync_file_range(fd(file), 0, 0, kAll); }) == 0)
        return {};
    if (errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL || errno == ESPIPE)
        return {Cause::Unsupported, errno};
    return lastError();
#else
    (void)file;
    return {Cause::Unsupported, EOPNOTSUPP};
#endif
}

bool errorsReachFileSystemSync()
{
    if (const std::optional<bool> pretended = testing::pretendedFileSystemSyncReportsErrors())
        return *pretended;
#if defined(__linux__)
    // Linux 5.8 and later report a write-back error of any file to syncfs
    // on a descriptor opened before it happened.
    static const bool reported = [] {
        utsname system {};
        int major = 0;
        int minor = 0;
        return ::uname(&system) == 0 && std::sscanf(system.release, "%d.%d", &major, &minor) == 2
            && (major > 5 || (major == 5 && minor >= 8));
    }();
    return reported;
#else
    return false;
#endif
}

Error syncFileSystem(const Folder &folder)
{
#if defined(__linux__)
    return check(after(Call::SyncFileSystem, [&] { return ::syncfs(fd(folder.handle)); }));
#else
    (void)folder;
    return {Cause::SystemError, ENOSYS};
#endif
}

Error syncFolder(const Folder &folder)
{
    if (after(Call::SyncFolder, [&] { return ::fsync(fd(folder.handle)); }) == 0)
        return {};
    if (errno == EINVAL || errno == ENOTSUP)
        return {}; // some file systems can't flush a folder and need not
    return lastError();
}

Error rename(const OpenFile &file, const String &to, bool replace)
{
    const int folder = fd(file.folder.handle);
    const Error error = replace ? check(before(Call::Rename, [&] {
        return ::renameat(folder, file.name.c_str(), folder, to.c_str());
    }))
                                : renameWithoutReplacing(file, to);
    // A file system that refuses the characters of a name (vfat) says EINVAL.
    return error.code == EINVAL ? Error{Cause::InvalidName, EINVAL} : error;
}

Error removeAt(const Folder &folder, const String &name)
{
    return check(before(Call::Remove, [&] { return ::unlinkat(fd(folder.handle), name.c_str(), 0); }));
}

Error makeWritable(const Folder &folder, const String &name)
{
    struct stat st {};
    if (after(Call::Stat, [&] { return ::fstatat(fd(folder.handle), name.c_str(), &st, 0); }) != 0)
        return lastError();
    if (st.st_mode & S_IWUSR)
        return {};
    return check(before(Call::SetWritable, [&] {
        return ::fchmodat(fd(folder.handle), name.c_str(), (st.st_mode & 07777) | S_IWUSR, 0);
    }));
}

// ---- the end of the process ---------------------------------------------------

void removeFromHandler(const Pending &pending) noexcept
{
    ::unlinkat(static_cast<int>(pending.folder), pending.name, 0);
}

bool onInterrupt(InterruptHandler handler)
{
    g_interrupt.store(handler);
    bool installed = false;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN)
            continue; // left ignored, as under nohup
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        installed = ::sigaction(signal, &action, nullptr) == 0 || installed;
    }
    return installed;
}

void keepRunningPastSizeLimit()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

int openFileLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > 1'000'000)
        return 1'000'000;
    return static_cast<int>(limit.rlim_cur);
}

} // namespace hy3::fs::sys
