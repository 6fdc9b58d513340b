// SPDX-License-Identifier: MIT
#pragma once

// The file calls the converter needs, one implementation per operating
// system. Plain C++ (no Qt), so that each implementation can be built and
// tested on its own. Every function reports failure as an Error value and
// never throws; names are the system's own (bytes on POSIX, UTF-16 on Windows).

#include "cause.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hy3::fs::native {

#ifdef _WIN32
using Char = wchar_t;
#else
using Char = char;
#endif
using String = std::basic_string<Char>;

struct Error
{
    Cause cause = Cause::None;
    int code = 0; // errno or GetLastError(), kept for causes without a word of their own

    explicit operator bool() const { return cause != Cause::None; }
};

// The cause of an errno (POSIX) or GetLastError() value (Windows).
[[nodiscard]] Error fromSystem(int code);

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
struct Folder
{
    Handle handle;
    String path;
};

// Tells apart two names for the same file, also on case-insensitive media.
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
};

struct Entry
{
    String name;
    Type type = Type::Unknown; // Unknown: the folder listing did not say; ask statName
    bool hidden = false;       // a leading dot on POSIX; the hidden or system attribute on Windows
};

[[nodiscard]] Error openFolder(const String &path, Folder &folder);
// Every name of the folder but "." and "..", in the order the system gives them.
[[nodiscard]] Error listFolder(const Folder &folder, std::vector<Entry> &entries);
// NotFound when nothing has that name. With followLinks false a link is
// described itself, not the file it points to.
[[nodiscard]] Error statName(const Folder &folder, const String &name, bool followLinks, Status &status);
[[nodiscard]] Error statFile(const Handle &file, Status &status);

// Opens a regular file (links followed) for reading; anything else (pipe,
// device, socket, folder) is NotRegularFile and is never opened in a way
// that could block. `knownRegular`: the caller has already looked.
[[nodiscard]] Error openForReading(const Folder &folder, const String &name, bool knownRegular, Handle &file);
// Reads up to `size` bytes with one call of the system; `got` is 0 only at
// the end of the file.
[[nodiscard]] Error readBytes(const Handle &file, char *data, std::size_t size, std::size_t &got);

// Creates a new temporary file in the folder under a name of the converter's
// own (see isTemporaryName), locked while it is open so that no other
// converter takes it for a leftover. It is registered for removeOwnTemporaries.
// `identity` tells the new file.
[[nodiscard]] Error createTemporary(const Folder &folder, String &name, Handle &file, Identity &identity);
// Writes every byte or fails.
[[nodiscard]] Error writeBytes(const Handle &file, const char *data, std::size_t size);
[[nodiscard]] Error syncData(const Handle &file);
// Flushes everything written to the file system that holds the folder.
[[nodiscard]] Error syncFileSystem(const Folder &folder);
// Makes the folder's own entries (new names, renames) durable.
[[nodiscard]] Error syncFolder(const Folder &folder);
// Renames the open temporary `file`, named `from`, to `to` within the folder,
// atomically. A link standing at `to` is replaced, never followed. Without
// `overwrite` an existing `to` is left alone and the result is Exists.
[[nodiscard]] Error replaceFile(const Folder &folder, const Handle &file, const String &from, const String &to,
                            bool overwrite);
[[nodiscard]] Error removeFile(const Folder &folder, const String &name);
// A temporary of this process is no longer pending: renamed or removed.
void forget(const Folder &folder, const String &name);

// True for the names createTemporary gives.
[[nodiscard]] bool isTemporaryName(const String &name);
// Removes the temporaries in the folder that a converter left behind (those
// no running converter holds); `removed` counts them.
[[nodiscard]] Error removeStaleTemporaries(const Folder &folder, int &removed);
// Removes this process's pending temporaries. Safe in a signal handler.
void removeOwnTemporaries() noexcept;
// On SIGINT, SIGTERM and SIGHUP: removeOwnTemporaries, then the default action.
void removeTemporariesOnSignals();

// Creates the folder and any missing parents.
[[nodiscard]] Error makeFolders(const String &path);
// Clears the read-only state of a file: its owner may write it.
[[nodiscard]] Error makeWritable(const Folder &folder, const String &name);

// Fault injection for tests: the n-th call (from 1, counted from now) of an
// operation fails with the given system error code.
namespace testing {
enum class Op : std::uint8_t { Open, Read, Create, Write, Sync, Rename, Remove, Stat, List, Count };
void failCall(Op op, int nth, int code);
void clearFaults();
[[nodiscard]] int calls(Op op);
} // namespace testing

} // namespace hy3::fs::native
