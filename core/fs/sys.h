// SPDX-License-Identifier: MIT
#pragma once

// The system calls the converter makes, one thin implementation per
// operating system (sys_posix.cpp, sys_windows.cpp): each function is one
// call of the system, or the few that one step needs on that system, and
// reports failure as an Error value; nothing here throws, retries or keeps
// state. Every call goes through one place (faults.h), where the tests make
// any call fail and see the order of the calls. Names are the system's own:
// bytes on POSIX, UTF-16 on Windows. Plain C++, no Qt.

#include "cause.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hy3::fs::sys {

// The one place the program asks which system it is built for.
#ifdef _WIN32
inline constexpr bool kWindows = true;
using Char = wchar_t;
#else
inline constexpr bool kWindows = false;
using Char = char;
#endif
using String = std::basic_string<Char>;

struct Error
{
    Cause cause = Cause::None;
    int code = 0; // errno or GetLastError()

    explicit operator bool() const { return cause != Cause::None; }
    [[nodiscard]] Failure during(Action action) const { return {cause, action, code}; }
};

// The cause of an errno (POSIX) or GetLastError() value (Windows).
[[nodiscard]] Error fromSystem(int code);

namespace detail {
struct CauseOf
{
    int code;
    Cause cause;
};
// The cause the table gives the code, else SystemError.
[[nodiscard]] Error lookUp(int code, const CauseOf *table, std::size_t size);
} // namespace detail

// An open file or folder, closed when it goes.
class Handle
{
public:
    Handle() = default;
    explicit Handle(std::intptr_t value) : m_value(value) {}
    Handle(Handle &&other) noexcept : m_value(other.release()) {}
    Handle &operator=(Handle &&other) noexcept;
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    ~Handle();

    [[nodiscard]] bool isOpen() const { return m_value != kClosed; }
    [[nodiscard]] std::intptr_t get() const { return m_value; }
    std::intptr_t release();
    // Closes now and says whether the close itself failed (network file
    // systems report late write errors here).
    Error close();

private:
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t m_value = kClosed;
};

// An open folder; files are opened, created and renamed relative to it.
// `path` is what it was opened as (Windows composes names onto it).
struct Folder
{
    Handle handle;
    String path;
    // Whether a file made there without a name (Linux' O_TMPFILE) can be given
    // one: learned with the first new file, which is named at once; where it
    // can't, every new file is created under its name.
    enum class UnnamedFiles : std::uint8_t { Untried, Work, Refused };
    mutable UnnamedFiles unnamedFiles = UnnamedFiles::Untried;
};

// Tells apart two names for the same file.
struct Identity
{
    std::uint64_t device = 0;
    std::uint64_t file = 0;

    friend bool operator==(const Identity &, const Identity &) = default;
};

enum class Type : std::uint8_t { Regular, Folder, Link, Other, Unknown };

struct Status
{
    Type type = Type::Unknown;
    std::uint64_t size = 0;
    std::int64_t modifiedMs = 0; // milliseconds since 1970-01-01 UTC
    Identity identity;
    bool readOnly = false; // Windows: the read-only attribute; POSIX: no one may write it
};

struct Entry
{
    const Char *name = nullptr;
    Type type = Type::Unknown; // Unknown: the listing did not say; ask statAt
    bool hidden = false;       // a leading dot on POSIX; the hidden or system attribute on Windows
};

// ---- names ------------------------------------------------------------------

// A name or a path as the system has it, from UTF-16 and back. On POSIX a
// name is bytes: a byte that is not part of UTF-8 (names unpacked from Windows
// archives are cp932) comes back as U+DC80 + byte and goes back to the same
// byte, so the name opens the same file again.
[[nodiscard]] String fromUtf16(std::u16string_view text);
[[nodiscard]] std::u16string toUtf16(const String &name);
// '/' everywhere; '\' too on Windows.
[[nodiscard]] bool isSeparator(char16_t c);

// ---- text -------------------------------------------------------------------

// The system's own cp932 conversion, for a Qt without one (Windows' code page
// 932); false elsewhere. Bytes that are not cp932 decode to U+FFFD;
// characters cp932 can't hold encode to '?'.
[[nodiscard]] bool convertsCp932();
[[nodiscard]] std::u16string decodeCp932(std::string_view bytes);
[[nodiscard]] std::string encodeCp932(std::u16string_view text);

// ---- standard streams and the files the user names -------------------------

enum class Stream : std::uint8_t { Input, Output, Error };

[[nodiscard]] bool isTerminal(Stream stream);
// Every byte, or why not (a full disk, a closed pipe).
[[nodiscard]] Error writeAll(Stream stream, const char *data, std::size_t size);
// While it lives, the console shows the UTF-8 the program writes (Windows:
// its output code page, put back afterwards); nothing elsewhere.
class Utf8Console
{
public:
    Utf8Console();
    ~Utf8Console();
    Utf8Console(const Utf8Console &) = delete;
    Utf8Console &operator=(const Utf8Console &) = delete;

private:
    unsigned m_saved = 0;
};

// Opens a file the user named, to read it from start to end: links
// followed, a pipe too (read as it comes); a folder is NotRegularFile.
[[nodiscard]] Error openToRead(const String &path, Handle &file);

// ---- drives -------------------------------------------------------------------

// What a folder can be chosen on, found without asking any of them: the drive
// letters on Windows ("C:\"), the mount points elsewhere, with the type of
// their file system ("ext4", "nfs").
struct Mount
{
    String root;
    std::string type;
};
[[nodiscard]] std::vector<Mount> mounts();
// Whether the drive answers, and its label (Windows). May take long or never
// return (a stuck network mount): ask off the window's thread.
struct DriveAnswer
{
    bool ready = false;
    String label;
};
[[nodiscard]] DriveAnswer askDrive(const String &root);

// ---- the window's button on the taskbar ---------------------------------------

// The share of a batch done, shown on the window's taskbar button (Windows'
// ITaskbarList3); nothing where the system has no such thing, or it says no.
class TaskbarProgress
{
public:
    explicit TaskbarProgress(std::intptr_t window); // the native window
    ~TaskbarProgress();
    TaskbarProgress(const TaskbarProgress &) = delete;
    TaskbarProgress &operator=(const TaskbarProgress &) = delete;

    void show(int percent);
    void clear();

private:
    std::intptr_t m_window;
    void *m_taskbar = nullptr;
};

// ---- folders ----------------------------------------------------------------

// A folder the user named, by its path: links on the way are followed.
[[nodiscard]] Error openFolder(const String &path, Folder &folder);
// The path as the system resolves it for openFolder: on Windows a relative
// or drive-relative path ("Z:data", the folder "data" in drive Z's current
// folder) made full; elsewhere the path as it is.
[[nodiscard]] Error fullPath(const String &path, String &full);
// A sub-folder, never through a link: a link there is LinkInTheWay.
[[nodiscard]] Error openSubfolder(const Folder &parent, const String &name, Folder &folder);
[[nodiscard]] Error makeSubfolder(const Folder &parent, const String &name);
// Removes an empty sub-folder; one that holds anything stays (Exists).
[[nodiscard]] Error removeSubfolder(const Folder &parent, const String &name);
// Every name but "." and "..", in the order the system gives them; `each`
// returns false to stop early.
[[nodiscard]] Error listFolder(const Folder &folder, const std::function<bool(const Entry &)> &each);
// NotFound when nothing has that name. With followLinks false a link is
// described itself, not what it points to.
[[nodiscard]] Error statAt(const Folder &folder, const String &name, bool followLinks, Status &status);
[[nodiscard]] Error statHandle(const Handle &file, Status &status);
// Whether this user may create files in the folder at `path`, without creating any.
[[nodiscard]] Error checkWritable(const String &path);

// ---- reading ----------------------------------------------------------------

// Opens a plain file (links followed) for reading, in a way that can't block
// on a pipe or a device; anything else is NotRegularFile.
[[nodiscard]] Error openForReading(const Folder &folder, const String &name, Handle &file);
// The same, with the file's status when the check of its type had it at hand (POSIX).
[[nodiscard]] Error openForReading(const Folder &folder, const String &name, Handle &file,
                                   std::optional<Status> &status);
// Up to `size` bytes with one call; `got` is 0 only at the end of the file.
[[nodiscard]] Error readSome(const Handle &file, char *data, std::size_t size, std::size_t &got);
// Every byte up to the end, appended.
[[nodiscard]] Error readAll(const Handle &file, std::string &bytes);
[[nodiscard]] Error readAll(Stream stream, std::string &bytes);

// ---- writing ----------------------------------------------------------------

// Creates a new file that did not exist, never through a link, open for
// writing and marked as being written, so that another converter's sweep of
// leftovers leaves it alone (POSIX: a lock, taken before the file has its
// name where the file system allows it; Windows: no other program may open
// it). `identity` tells the new file. Exists: the name is taken; Busy: a
// sweep took the new file meanwhile; either way another name will do. On any
// failure nothing of it is left.
[[nodiscard]] Error createNew(const Folder &folder, const String &name, Handle &file, Identity &identity);
// A new file with no name yet in the folder, open for writing (Linux'
// O_TMPFILE): nothing of it can be seen, and nothing of it is left when the
// program ends before it is named. Unsupported until createNew has shown
// that the folder's file system can name such a file (Folder::unnamedFiles).
[[nodiscard]] Error createUnnamed(const Folder &folder, Handle &file, Identity &identity);
// Gives a file made by createUnnamed the name `name` in its folder, in one
// step; Exists when the name is taken (nothing there is replaced or followed).
[[nodiscard]] Error nameUnnamed(const Folder &folder, const Handle &file, const String &name);
// Marks a file of ours as being written, so that another converter's sweep of
// leftovers leaves it alone (POSIX: a lock; NoLocks where there are none).
[[nodiscard]] Error markBeingWritten(const Handle &file);
// Removes a converter's leftover file unless its writer still holds it (Busy).
[[nodiscard]] Error removeLeftover(const Folder &folder, const String &name);
[[nodiscard]] Error writeSome(const Handle &file, const char *data, std::size_t size, std::size_t &written);
// Starts writing what the file was given to the disk, without waiting for it,
// so that a later flush has less left to do; nothing where the system can't.
[[nodiscard]] Error startWriteBack(const Handle &file);
[[nodiscard]] Error syncData(const Handle &file);
// True where one flush of the whole file system that holds the folder puts
// every file's data on the medium: the local file systems the kernel writes
// itself (ext4, XFS, Btrfs, F2FS, FAT, exFAT, NTFS3, bcachefs; tmpfs, which
// has nothing to flush). Through FUSE, a network (NFS, SMB) or an overlay
// such a flush reaches nothing, and anything unknown counts as that: each
// file there is flushed on its own.
[[nodiscard]] bool fileSystemFlushCovers(const Folder &folder);
// Flushes the file system that holds the folder. Where errorsReachFileSystemSync(),
// a success also says that no file of it lost data it was given since the
// folder was opened (the system reports write-back errors there).
[[nodiscard]] Error syncFileSystem(const Folder &folder);
[[nodiscard]] bool errorsReachFileSystemSync();
// True where writing out each file's data (writeOut) and then one full flush
// of any one file there (syncData) puts every such file's data on the medium:
// Windows' local volumes, whose full flush empties the whole disk's cache.
// A network share flushes only the file it is asked for: each file there is
// flushed on its own.
[[nodiscard]] bool batchFlushCovers(const Folder &folder);
// Writes the file's data to the device and waits for it, without asking the
// device to empty its cache (Windows' NtFlushBuffersFileEx with
// FLUSH_FLAGS_FILE_DATA_ONLY). Unsupported where the system lacks it (older
// Windows, wine, POSIX): then the file is flushed whole.
[[nodiscard]] Error writeOut(const Handle &file);
// Makes the folder's own entries (new names, renames) durable.
[[nodiscard]] Error syncFolder(const Folder &folder);

// A file of ours, open, in a folder, under a name.
struct OpenFile
{
    const Folder &folder;
    const String &name;
    const Handle &handle;
};
// Gives the file the name `to` in the same folder, atomically. With `replace`
// a file at `to` is replaced (a link there is replaced, never followed);
// without it a file at `to` stays and the result is Exists.
[[nodiscard]] Error rename(const OpenFile &file, const String &to, bool replace);
[[nodiscard]] Error removeAt(const Folder &folder, const String &name);
// Lets the file's owner write it: clears the read-only state.
[[nodiscard]] Error makeWritable(const Folder &folder, const String &name);

// ---- the end of the process ---------------------------------------------------

// A file being written, as a signal handler may remove it.
struct Pending
{
    std::intptr_t folder = -1;
    std::intptr_t file = -1;
    const char *name = nullptr; // ASCII
};
// Removes it with the calls that are safe in a signal handler.
void removeFromHandler(const Pending &pending) noexcept;
// Calls `handler` when the user interrupts the program (Ctrl+C, SIGTERM,
// the console closed); returns whether it is installed. `handler` returns true
// to go on running, false to let the default action end the process.
using InterruptHandler = bool (*)(int count) noexcept;
bool onInterrupt(InterruptHandler handler);
// A write past the file-size limit fails with TooLarge instead of ending the process.
void keepRunningPastSizeLimit();
// How many files this process may have open at once.
[[nodiscard]] int openFileLimit();

} // namespace hy3::fs::sys
