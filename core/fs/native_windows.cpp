// SPDX-License-Identifier: MIT
// The file layer on Windows: wide-character names, a temporary that no other
// program can open while it is written, rename through the open handle (never
// following a reparse point at the output name), FlushFileBuffers.

#include "native_internal.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <vector>

namespace hy3::fs::native {

namespace {


Error lastError()
{
    return fromSystem(static_cast<int>(GetLastError()));
}

HANDLE h(const Handle &handle)
{
    return reinterpret_cast<HANDLE>(handle.get());
}

String childPath(const Folder &folder, const String &name)
{
    String path = folder.path;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/')
        path += L'\\';
    return path + name;
}

std::int64_t millisecondsSince1970(const FILETIME &time)
{
    const std::uint64_t ticks = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    constexpr std::uint64_t kTicksFrom1601To1970 = 116444736000000000ULL;
    return static_cast<std::int64_t>((ticks - kTicksFrom1601To1970) / 10000);
}

Type typeOf(DWORD attributes, bool followLinks)
{
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && !followLinks)
        return Type::Link;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return Type::Folder;
    if (attributes & FILE_ATTRIBUTE_DEVICE)
        return Type::Other;
    return Type::Regular;
}

Status statusOf(const BY_HANDLE_FILE_INFORMATION &info, bool followLinks)
{
    Status status;
    status.type = typeOf(info.dwFileAttributes, followLinks);
    status.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    status.modifiedMs = millisecondsSince1970(info.ftLastWriteTime);
    status.identity = {info.dwVolumeSerialNumber,
                       (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return status;
}

// ---- temporaries ----------------------------------------------------------

constexpr std::size_t kLongestRemembered = 520;

// Full paths of the temporaries being written, for removal when the console
// is closed or Ctrl+C is pressed.
struct PendingSlot
{
    std::atomic<int> state{0}; // 0 free, 1 being filled, 2 in use
    wchar_t path[kLongestRemembered] = {};
};

PendingSlot g_pending[320];

void remember(const String &path)
{
    if (path.size() >= kLongestRemembered)
        return; // the next run removes it
    for (PendingSlot &slot : g_pending) {
        int expected = 0;
        if (slot.state.compare_exchange_strong(expected, 1)) {
            std::memcpy(slot.path, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
            slot.state.store(2);
            return;
        }
    }
}

String temporaryName()
{
    static std::atomic<std::uint64_t> counter{0};
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    std::uint64_t bits = static_cast<std::uint64_t>(now.QuadPart) ^ (static_cast<std::uint64_t>(GetCurrentProcessId()) << 40)
        ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ULL);
    bits ^= bits >> 31;
    return detail::temporaryName(bits * 0xBF58476D1CE4E5B9ULL);
}

BOOL WINAPI removeTemporariesAndGoOn(DWORD)
{
    removeOwnTemporaries();
    return FALSE; // the default handling ends the process
}

} // namespace

Error fromSystem(int code)
{
    switch (static_cast<DWORD>(code)) {
    case ERROR_SUCCESS:
        return {};
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
        return {Cause::NotFound, code};
    case ERROR_DIRECTORY:
        return {Cause::NotAFolder, code};
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
        return {Cause::NoPermission, code};
    case ERROR_WRITE_PROTECT:
        return {Cause::ReadOnlyMedium, code};
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return {Cause::NoSpace, code};
    case ERROR_FILE_TOO_LARGE:
        return {Cause::TooLarge, code};
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
        return {Cause::NameTooLong, code};
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
        return {Cause::InvalidName, code};
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_NOT_READY:
        return {Cause::IoError, code};
    case ERROR_TOO_MANY_OPEN_FILES:
        return {Cause::TooManyOpenFiles, code};
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return {Cause::OutOfMemory, code};
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return {Cause::Busy, code};
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return {Cause::Exists, code};
    default:
        return {Cause::SystemError, code};
    }
}

// ---- Handle ---------------------------------------------------------------

Error Handle::close()
{
    if (!isOpen())
        return {};
    return CloseHandle(reinterpret_cast<HANDLE>(release())) ? Error{} : lastError();
}

// ---- folders and names ----------------------------------------------------

Error openFolder(const String &path, Folder &folder)
{
    if (const int code = detail::injected(testing::Op::Open))
        return fromSystem(code);
    HANDLE handle = CreateFileW(path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return lastError();
    Handle opened(reinterpret_cast<std::intptr_t>(handle));
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return lastError();
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return {Cause::NotAFolder, ERROR_DIRECTORY};
    folder.handle = std::move(opened);
    folder.path = path;
    return {};
}

Error listFolder(const Folder &folder, std::vector<Entry> &entries)
{
    if (const int code = detail::injected(testing::Op::List))
        return fromSystem(code);
    entries.clear();
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW(childPath(folder, L"*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? Error{} : lastError();
    do {
        const String name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const DWORD attributes = found.dwFileAttributes;
        entries.push_back({name, typeOf(attributes, false),
                           (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0});
    } while (FindNextFileW(search, &found));
    const DWORD last = GetLastError();
    FindClose(search);
    return last == ERROR_NO_MORE_FILES ? Error{} : fromSystem(static_cast<int>(last));
}

Error statName(const Folder &folder, const String &name, bool followLinks, Status &status)
{
    if (const int code = detail::injected(testing::Op::Stat))
        return fromSystem(code);
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    HANDLE handle = CreateFileW(childPath(folder, name).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, flags,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return lastError();
    BY_HANDLE_FILE_INFORMATION info;
    const BOOL ok = GetFileInformationByHandle(handle, &info);
    const Error error = ok ? Error{} : lastError();
    CloseHandle(handle);
    if (ok)
        status = statusOf(info, followLinks);
    return error;
}

Error statFile(const Handle &file, Status &status)
{
    if (const int code = detail::injected(testing::Op::Stat))
        return fromSystem(code);
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h(file), &info))
        return lastError();
    status = statusOf(info, true);
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
        return fromSystem(code);
    HANDLE handle = CreateFileW(childPath(folder, name).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return lastError();
    Handle opened(reinterpret_cast<std::intptr_t>(handle));
    // "NUL.hyo" or "COM1.hyo" name a device, whatever the folder holds.
    if (GetFileType(handle) != FILE_TYPE_DISK)
        return {Cause::NotRegularFile, 0};
    file = std::move(opened);
    return {};
}

Error readBytes(const Handle &file, char *data, std::size_t size, std::size_t &got)
{
    got = 0;
    if (const int code = detail::injected(testing::Op::Read))
        return fromSystem(code);
    DWORD read = 0;
    const DWORD wanted = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!ReadFile(h(file), data, wanted, &read, nullptr))
        return lastError();
    got = read;
    return {};
}

// ---- writing --------------------------------------------------------------

Error createTemporary(const Folder &folder, String &name, Handle &file, Identity &identity)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (const int code = detail::injected(testing::Op::Create))
            return fromSystem(code);
        String candidate = temporaryName();
        const String path = childPath(folder, candidate);
        remember(path);
        // Shared for deletion only: no other program can open it while it is
        // written, so a cleaner can't take it for a leftover.
        HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_DELETE,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const Error error = lastError();
            forget(folder, candidate);
            if (error.cause == Cause::Exists)
                continue;
            return error;
        }
        file = Handle(reinterpret_cast<std::intptr_t>(handle));
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileInformationByHandle(handle, &info))
            identity = statusOf(info, true).identity;
        name = std::move(candidate);
        return {};
    }
    return {Cause::Exists, ERROR_FILE_EXISTS};
}

Error writeBytes(const Handle &file, const char *data, std::size_t size)
{
    while (size > 0) {
        if (const int code = detail::injected(testing::Op::Write))
            return fromSystem(code);
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(h(file), data, chunk, &written, nullptr))
            return lastError();
        if (written == 0)
            return {Cause::NoSpace, ERROR_DISK_FULL};
        data += written;
        size -= written;
    }
    return {};
}

Error syncData(const Handle &file)
{
    if (const int code = detail::injected(testing::Op::Sync))
        return fromSystem(code);
    return FlushFileBuffers(h(file)) ? Error{} : lastError();
}

Error syncFileSystem(const Folder &)
{
    // Flushing a whole volume needs an administrator; the group flushes its files instead.
    return {Cause::SystemError, ERROR_NOT_SUPPORTED};
}

Error syncFolder(const Folder &)
{
    if (const int code = detail::injected(testing::Op::Sync))
        return fromSystem(code);
    return {}; // the rename was flushed through the file's own handle
}

Error replaceFile(const Folder &folder, const Handle &file, const String &, const String &to, bool overwrite)
{
    if (const int code = detail::injected(testing::Op::Rename))
        return fromSystem(code);
    const String target = childPath(folder, to);
    const std::size_t bytes = sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(bytes, 0);
    auto *info = reinterpret_cast<FILE_RENAME_INFO *>(buffer.data());
    info->ReplaceIfExists = overwrite ? TRUE : FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::memcpy(info->FileName, target.c_str(), target.size() * sizeof(wchar_t));
    // Through the open handle: a reparse point standing at the target is
    // replaced, never followed.
    if (!SetFileInformationByHandle(h(file), FileRenameInfo, info, static_cast<DWORD>(bytes)))
        return lastError();
    // Write-through: the renamed entry reaches the disk with the file's metadata.
    FlushFileBuffers(h(file));
    return {};
}

Error removeFile(const Folder &folder, const String &name)
{
    if (const int code = detail::injected(testing::Op::Remove))
        return fromSystem(code);
    return DeleteFileW(childPath(folder, name).c_str()) ? Error{} : lastError();
}

void forget(const Folder &folder, const String &name)
{
    const String path = childPath(folder, name);
    for (PendingSlot &slot : g_pending) {
        if (slot.state.load() == 2 && path == slot.path) {
            slot.state.store(0);
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
        if (!isTemporaryName(entry.name) || entry.type != Type::Regular)
            continue;
        // Opened alone and deleted on close: fails while a converter writes it.
        HANDLE handle = CreateFileW(childPath(folder, entry.name).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            continue;
        CloseHandle(handle);
        ++removed;
    }
    return {};
}

void removeOwnTemporaries() noexcept
{
    for (PendingSlot &slot : g_pending) {
        if (slot.state.load() == 2) {
            DeleteFileW(slot.path); // removed when the writer's handle closes
            slot.state.store(0);
        }
    }
}

void removeTemporariesOnSignals()
{
    SetConsoleCtrlHandler(removeTemporariesAndGoOn, TRUE);
}

Error makeFolders(const String &path)
{
    if (path.empty())
        return {};
    for (std::size_t end = path.find_first_of(L"\\/", 1);; end = path.find_first_of(L"\\/", end + 1)) {
        const String part = path.substr(0, end);
        const bool driveRoot = part.size() <= 3 && part.size() >= 2 && part[1] == L':';
        if (!driveRoot && !part.empty() && !CreateDirectoryW(part.c_str(), nullptr)
            && GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_ACCESS_DENIED) {
            const Error error = lastError();
            const DWORD attributes = GetFileAttributesW(part.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
                return error;
        }
        if (end == String::npos)
            break;
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return lastError();
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Error{} : Error{Cause::NotAFolder, ERROR_DIRECTORY};
}

Error makeWritable(const Folder &folder, const String &name)
{
    // "Normal": no read-only, hidden, system or archive attribute.
    return SetFileAttributesW(childPath(folder, name).c_str(), FILE_ATTRIBUTE_NORMAL) ? Error{} : lastError();
}


} // namespace hy3::fs::native
