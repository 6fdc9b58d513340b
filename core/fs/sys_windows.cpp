// SPDX-License-Identifier: MIT
// The system calls on Windows: wide-character names composed onto a folder's
// full path in the \\?\ form (no 260-character limit, no device names), a
// new file no other program can open while it is written, rename through the
// open handle (a reparse point at the new name is replaced, never followed).

#include "cp932_windows.h"
#include "faults.h"
#include "sys.h"
#include "windowsnames.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shobjidl.h>

#include <atomic>
#include <cstring>
#include <iterator>
#include <vector>

#ifndef ERROR_DISK_QUOTA_EXCEEDED
#define ERROR_DISK_QUOTA_EXCEEDED 1295L // newer than MinGW's headers
#endif

namespace hy3::fs::sys {

namespace detail {

template <>
HANDLE failedWith<HANDLE>(int code)
{
    SetLastError(static_cast<DWORD>(code));
    return INVALID_HANDLE_VALUE;
}

template <>
BOOL failedWith<BOOL>(int code)
{
    SetLastError(static_cast<DWORD>(code));
    return FALSE;
}

template <>
DWORD failedWith<DWORD>(int code) // GetFileAttributesW
{
    SetLastError(static_cast<DWORD>(code));
    return INVALID_FILE_ATTRIBUTES;
}

} // namespace detail

namespace {

Error lastError()
{
    return fromSystem(static_cast<int>(GetLastError()));
}

Error check(BOOL ok)
{
    return ok ? Error{} : lastError();
}

HANDLE h(const Handle &handle)
{
    return reinterpret_cast<HANDLE>(handle.get());
}

bool isSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

String childPath(const Folder &folder, const String &name)
{
    String path = folder.path;
    if (!path.empty() && !isSeparator(path.back()))
        path += L'\\';
    return path + name;
}

// The \\?\ form of a full path: no length limit, and "CON" or "a." name
// files, not devices. UNC paths become \\?\UNC\server\share.
String extended(const String &full)
{
    if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0)
        return full;
    if (full.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

String extendedChild(const Folder &folder, const String &name)
{
    return extended(childPath(folder, name));
}

// The full path of what the user typed: relative parts resolved, '/' made '\'.
Error resolvedPath(const String &path, String &full)
{
    if (path.empty())
        return {Cause::NotFound, ERROR_PATH_NOT_FOUND};
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0)
            return lastError();
        if (length < buffer.size()) {
            full.assign(buffer.data(), length);
            return {};
        }
        buffer.resize(length + 1);
    }
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
    status.readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    return status;
}

bool reserved(const String &name)
{
    return isReservedOnWindows(std::u16string_view(reinterpret_cast<const char16_t *>(name.data()), name.size()));
}

constexpr Error kReserved{Cause::ReservedName, ERROR_INVALID_NAME};

// A folder, opened so that no other program can move or remove it while we
// work in it: names composed onto its path then always mean what they did.
// Opened for writing too where the user may, so that its entries can be flushed.
Error openFolderAt(const String &path, DWORD flags, Folder &folder)
{
    const auto open = [&](DWORD access) {
        return CreateFileW(extended(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
    };
    constexpr DWORD kReading = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    HANDLE handle = before(Call::OpenFolder, [&] {
        HANDLE writable = open(kReading | GENERIC_WRITE);
        return writable != INVALID_HANDLE_VALUE || GetLastError() != ERROR_ACCESS_DENIED ? writable : open(kReading);
    });
    if (handle == INVALID_HANDLE_VALUE)
        return lastError();
    Handle opened(reinterpret_cast<std::intptr_t>(handle));
    BY_HANDLE_FILE_INFORMATION info;
    if (!after(Call::Stat, [&] { return GetFileInformationByHandle(handle, &info); }))
        return lastError();
    if ((flags & FILE_FLAG_OPEN_REPARSE_POINT) && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return {Cause::LinkInTheWay, ERROR_CANT_ACCESS_FILE};
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return {Cause::NotAFolder, ERROR_DIRECTORY};
    folder.handle = std::move(opened);
    folder.path = path;
    return {};
}

// Why a rename over `target` was refused with "access denied": the
// read-only attribute, or another program holding it open.
Error whyDenied(const String &target)
{
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return {Cause::ReadOnlyFile, ERROR_ACCESS_DENIED};
    HANDLE probe = CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        return {Cause::NoPermission, ERROR_ACCESS_DENIED};
    }
    return GetLastError() == ERROR_SHARING_VIOLATION ? Error{Cause::Busy, ERROR_SHARING_VIOLATION}
                                                     : Error{Cause::NoPermission, ERROR_ACCESS_DENIED};
}

std::atomic<InterruptHandler> g_interrupt{nullptr};
std::atomic<int> g_interrupts{0};

BOOL WINAPI onConsoleEvent(DWORD)
{
    const InterruptHandler handler = g_interrupt.load();
    return handler && handler(++g_interrupts) ? TRUE : FALSE; // FALSE: the default handling ends the process
}

} // namespace

Error fromSystem(int code)
{
    static constexpr detail::CauseOf kCauses[] = {
        {ERROR_FILE_NOT_FOUND, Cause::NotFound},         {ERROR_PATH_NOT_FOUND, Cause::NotFound},
        {ERROR_BAD_NETPATH, Cause::NotFound},            {ERROR_BAD_NET_NAME, Cause::NotFound},
        {ERROR_INVALID_DRIVE, Cause::NotFound},          {ERROR_DIRECTORY, Cause::NotAFolder},
        {ERROR_ACCESS_DENIED, Cause::NoPermission},      {ERROR_PRIVILEGE_NOT_HELD, Cause::NoPermission},
        {ERROR_WRITE_PROTECT, Cause::ReadOnlyMedium},    {ERROR_DISK_FULL, Cause::NoSpace},
        {ERROR_HANDLE_DISK_FULL, Cause::NoSpace},        {ERROR_DISK_QUOTA_EXCEEDED, Cause::NoSpace},
        {ERROR_FILE_TOO_LARGE, Cause::TooLarge},         {ERROR_FILENAME_EXCED_RANGE, Cause::NameTooLong},
        {ERROR_BUFFER_OVERFLOW, Cause::NameTooLong},     {ERROR_INVALID_NAME, Cause::InvalidName},
        {ERROR_BAD_PATHNAME, Cause::InvalidName},        {ERROR_CRC, Cause::IoError},
        {ERROR_IO_DEVICE, Cause::IoError},               {ERROR_SECTOR_NOT_FOUND, Cause::IoError},
        {ERROR_READ_FAULT, Cause::IoError},              {ERROR_WRITE_FAULT, Cause::IoError},
        {ERROR_GEN_FAILURE, Cause::IoError},             {ERROR_NOT_READY, Cause::IoError},
        {ERROR_NETNAME_DELETED, Cause::IoError},         {ERROR_UNEXP_NET_ERR, Cause::IoError},
        {ERROR_TOO_MANY_OPEN_FILES, Cause::TooManyOpenFiles}, {ERROR_NOT_ENOUGH_MEMORY, Cause::OutOfMemory},
        {ERROR_OUTOFMEMORY, Cause::OutOfMemory},         {ERROR_SHARING_VIOLATION, Cause::Busy},
        {ERROR_LOCK_VIOLATION, Cause::Busy},             {ERROR_USER_MAPPED_FILE, Cause::Busy},
        {ERROR_FILE_EXISTS, Cause::Exists},              {ERROR_ALREADY_EXISTS, Cause::Exists},
        {ERROR_DIR_NOT_EMPTY, Cause::Exists},            {ERROR_NOT_SAME_DEVICE, Cause::CrossDevice},
        {ERROR_CANT_RESOLVE_FILENAME, Cause::LinkInTheWay},
    };
    return detail::lookUp(code, kCauses, std::size(kCauses));
}

// ---- names ------------------------------------------------------------------

String fromUtf16(std::u16string_view text)
{
    return String(text.begin(), text.end());
}

std::u16string toUtf16(const String &name)
{
    return std::u16string(name.begin(), name.end());
}

bool isSeparator(char16_t c)
{
    return c == u'/' || c == u'\\';
}

// ---- text -------------------------------------------------------------------

bool convertsCp932()
{
    return true;
}

std::u16string decodeCp932(std::string_view bytes)
{
    return windows::cp932ToUtf16(bytes);
}

std::string encodeCp932(std::u16string_view text)
{
    return windows::utf16ToCp932(text);
}

// ---- standard streams and the files the user names -------------------------

namespace {

int descriptorOf(Stream stream)
{
    return stream == Stream::Input ? 0 : stream == Stream::Output ? 1 : 2;
}

} // namespace

bool isTerminal(Stream stream)
{
    return ::_isatty(descriptorOf(stream)) != 0;
}

Error writeAll(Stream stream, const char *data, std::size_t size)
{
    const int out = descriptorOf(stream);
    while (size > 0) {
        const unsigned chunk = size > (1U << 30) ? (1U << 30) : static_cast<unsigned>(size);
        int n = 0;
        if (!after(Call::Write, [&] {
                n = ::_write(out, data, chunk);
                return n >= 0 ? TRUE : FALSE;
            }))
            return lastError();
        if (n == 0)
            return {Cause::NoSpace, ERROR_DISK_FULL};
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return {};
}

// A Japanese console shows code page 932 unless told otherwise; the program
// writes UTF-8, unchanged by the C library.
Utf8Console::Utf8Console()
    : m_saved(GetConsoleOutputCP())
{
    SetConsoleOutputCP(CP_UTF8);
    ::_setmode(1, _O_BINARY);
    ::_setmode(2, _O_BINARY);
}

Utf8Console::~Utf8Console()
{
    if (m_saved != 0)
        SetConsoleOutputCP(m_saved);
}

Error openToRead(const String &path, Handle &file)
{
    String full;
    if (const Error error = resolvedPath(path, full))
        return error;
    HANDLE handle = before(Call::Open, [&] {
        return CreateFileW(extended(full).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    });
    if (handle == INVALID_HANDLE_VALUE)
        return lastError();
    Handle opened(reinterpret_cast<std::intptr_t>(handle));
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return {Cause::NotRegularFile, ERROR_DIRECTORY};
    file = std::move(opened);
    return {};
}

Error readAll(Stream stream, std::string &bytes)
{
    HANDLE input = GetStdHandle(stream == Stream::Input ? STD_INPUT_HANDLE : STD_ERROR_HANDLE);
    char block[65536];
    for (;;) {
        DWORD got = 0;
        if (!after(Call::Read, [&] { return ReadFile(input, block, sizeof block, &got, nullptr); })) {
            const DWORD code = GetLastError();
            return code == ERROR_BROKEN_PIPE ? Error{} : fromSystem(static_cast<int>(code)); // the writer is done
        }
        if (got == 0)
            return {};
        bytes.append(block, got);
    }
}

// ---- the window's button on the taskbar ---------------------------------------

TaskbarProgress::TaskbarProgress(std::intptr_t window)
    : m_window(window)
{
    ITaskbarList3 *taskbar = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                   reinterpret_cast<void **>(&taskbar)))) {
        if (SUCCEEDED(taskbar->HrInit()))
            m_taskbar = taskbar;
        else
            taskbar->Release();
    }
}

TaskbarProgress::~TaskbarProgress()
{
    if (m_taskbar)
        static_cast<ITaskbarList3 *>(m_taskbar)->Release();
}

void TaskbarProgress::show(int percent)
{
    if (!m_taskbar)
        return;
    auto *taskbar = static_cast<ITaskbarList3 *>(m_taskbar);
    HWND window = reinterpret_cast<HWND>(m_window);
    taskbar->SetProgressState(window, TBPF_NORMAL);
    taskbar->SetProgressValue(window, static_cast<ULONGLONG>(percent), 100);
}

void TaskbarProgress::clear()
{
    if (m_taskbar)
        static_cast<ITaskbarList3 *>(m_taskbar)->SetProgressState(reinterpret_cast<HWND>(m_window), TBPF_NOPROGRESS);
}

// ---- drives -------------------------------------------------------------------

std::vector<Mount> mounts()
{
    std::vector<Mount> found;
    wchar_t buffer[512];
    const DWORD length = GetLogicalDriveStringsW(static_cast<DWORD>(std::size(buffer)), buffer);
    for (const wchar_t *at = buffer; length > 0 && length < std::size(buffer) && *at; at += wcslen(at) + 1)
        found.push_back({at, {}}); // "C:\"
    return found;
}

DriveAnswer askDrive(const String &root)
{
    DriveAnswer answer;
    wchar_t label[MAX_PATH + 1] = {};
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS); // no "insert a disk" box
    answer.ready = GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0);
    SetErrorMode(oldMode);
    answer.label = label;
    return answer;
}

// ---- Handle -----------------------------------------------------------------

Error Handle::close()
{
    if (!isOpen())
        return {};
    HANDLE handle = reinterpret_cast<HANDLE>(release());
    return check(after(Call::Close, [&] { return CloseHandle(handle); }));
}

// ---- folders ----------------------------------------------------------------

Error openFolder(const String &path, Folder &folder)
{
    String full;
    if (const Error error = resolvedPath(path, full))
        return error;
    return openFolderAt(full, 0, folder);
}

Error fullPath(const String &path, String &full)
{
    return resolvedPath(path, full);
}

Error openSubfolder(const Folder &parent, const String &name, Folder &folder)
{
    return openFolderAt(childPath(parent, name), FILE_FLAG_OPEN_REPARSE_POINT, folder);
}

Error makeSubfolder(const Folder &parent, const String &name)
{
    if (reserved(name))
        return kReserved;
    const String path = extendedChild(parent, name);
    if (before(Call::MakeFolder, [&] { return CreateDirectoryW(path.c_str(), nullptr); }))
        return {};
    // Windows itself takes paths of up to 32,767 characters; a system below
    // it that takes fewer (wine on Linux: 4,095 bytes) says only "failed".
    const Error error = lastError();
    constexpr std::size_t kShortestLimit = 4095;
    if (error.code == ERROR_GEN_FAILURE && path.size() > kShortestLimit)
        return {Cause::NameTooLong, error.code};
    return error;
}

Error removeSubfolder(const Folder &parent, const String &name)
{
    return check(before(Call::Remove, [&] { return RemoveDirectoryW(extendedChild(parent, name).c_str()); }));
}

Error listFolder(const Folder &folder, const std::function<bool(const Entry &)> &each)
{
    WIN32_FIND_DATAW found;
    HANDLE search = before(Call::ListFolder, [&] {
        return FindFirstFileExW(extendedChild(folder, L"*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                nullptr, FIND_FIRST_EX_LARGE_FETCH);
    });
    if (search == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? Error{} : lastError();
    Error error;
    for (;;) {
        const wchar_t *name = found.cFileName;
        const DWORD attributes = found.dwFileAttributes;
        if (std::wcscmp(name, L".") != 0 && std::wcscmp(name, L"..") != 0
            && !each({name, typeOf(attributes, false), (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0}))
            break;
        if (!after(Call::ListFolder, [&] { return FindNextFileW(search, &found); })) {
            if (GetLastError() != ERROR_NO_MORE_FILES)
                error = lastError();
            break;
        }
    }
    (void)after(Call::Close, [&] { return FindClose(search); });
    return error;
}

Error statAt(const Folder &folder, const String &name, bool followLinks, Status &status)
{
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    HANDLE handle = before(Call::Stat, [&] {
        return CreateFileW(extendedChild(folder, name).c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, flags, nullptr);
    });
    if (handle == INVALID_HANDLE_VALUE)
        return lastError();
    const Handle opened(reinterpret_cast<std::intptr_t>(handle));
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return lastError();
    status = statusOf(info, followLinks);
    return {};
}

Error statHandle(const Handle &file, Status &status)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!after(Call::Stat, [&] { return GetFileInformationByHandle(h(file), &info); }))
        return lastError();
    status = statusOf(info, true);
    return {};
}

Error checkWritable(const String &path)
{
    String full;
    if (const Error error = resolvedPath(path, full))
        return error;
    const DWORD attributes = after(Call::Access, [&] { return GetFileAttributesW(extended(full).c_str()); });
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return lastError();
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {Cause::NotAFolder, ERROR_DIRECTORY};
    // A write-protected medium says so for its whole volume.
    wchar_t volume[MAX_PATH];
    DWORD flags = 0;
    if (GetVolumePathNameW(full.c_str(), volume, MAX_PATH)
        && GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)
        && (flags & FILE_READ_ONLY_VOLUME))
        return {Cause::ReadOnlyMedium, ERROR_WRITE_PROTECT};
    return {};
}

// ---- reading ----------------------------------------------------------------

Error openForReading(const Folder &folder, const String &name, Handle &file)
{
    const String path = extendedChild(folder, name);
    HANDLE handle = before(Call::Open, [&] {
        return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    });
    if (handle == INVALID_HANDLE_VALUE) {
        const Error error = lastError();
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (error.code == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES
            && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return {Cause::NotRegularFile, 0}; // a folder named like a data file
        return error;
    }
    Handle opened(reinterpret_cast<std::intptr_t>(handle));
    if (GetFileType(handle) != FILE_TYPE_DISK)
        return {Cause::NotRegularFile, 0};
    file = std::move(opened);
    return {};
}

Error openForReading(const Folder &folder, const String &name, Handle &file, std::optional<Status> &)
{
    return openForReading(folder, name, file); // the type is known without the status here
}

Error readAll(const Handle &file, std::string &bytes)
{
    char block[65536];
    for (;;) {
        std::size_t got = 0;
        if (const Error error = readSome(file, block, sizeof block, got)) {
            if (error.code == ERROR_BROKEN_PIPE)
                return {}; // a pipe whose writer is done
            return error;
        }
        if (got == 0)
            return {};
        bytes.append(block, got);
    }
}

Error readSome(const Handle &file, char *data, std::size_t size, std::size_t &got)
{
    got = 0;
    DWORD read = 0;
    const DWORD wanted = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!after(Call::Read, [&] { return ReadFile(h(file), data, wanted, &read, nullptr); }))
        return lastError();
    got = read;
    return {};
}

// ---- writing ----------------------------------------------------------------

Error createNew(const Folder &folder, const String &name, Handle &file, Identity &identity)
{
    // Shared for deletion only: no other program opens it while it is
    // written, so a sweep can't take it for a leftover.
    HANDLE handle = before(Call::Create, [&] {
        return CreateFileW(extendedChild(folder, name).c_str(), GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES,
                           FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    });
    if (handle == INVALID_HANDLE_VALUE)
        return lastError();
    Handle created(reinterpret_cast<std::intptr_t>(handle));
    Status status;
    if (const Error error = statHandle(created, status)) {
        (void)created.close();
        (void)removeAt(folder, name);
        return error;
    }
    file = std::move(created);
    identity = status.identity;
    return {};
}

Error createUnnamed(const Folder &, Handle &, Identity &)
{
    return {Cause::Unsupported, ERROR_NOT_SUPPORTED}; // every new file is created under its name
}

Error nameUnnamed(const Folder &, const Handle &, const String &)
{
    return {Cause::Unsupported, ERROR_NOT_SUPPORTED};
}

Error markBeingWritten(const Handle &)
{
    return {}; // a new file here is shut to other programs from its creation
}

Error removeLeftover(const Folder &folder, const String &name)
{
    // Opened alone and deleted on close: refused while a converter writes it.
    HANDLE handle = before(Call::Open, [&] {
        return CreateFileW(extendedChild(folder, name).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    });
    if (handle == INVALID_HANDLE_VALUE)
        return lastError();
    return check(after(Call::Close, [&] { return CloseHandle(handle); }));
}

Error writeSome(const Handle &file, const char *data, std::size_t size, std::size_t &written)
{
    written = 0;
    DWORD done = 0;
    const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!after(Call::Write, [&] { return WriteFile(h(file), data, chunk, &done, nullptr); }))
        return lastError();
    written = done;
    return {};
}

Error startWriteBack(const Handle &)
{
    return {}; // Windows writes back on its own; FlushFileBuffers waits for it
}

Error syncData(const Handle &file)
{
    return check(after(Call::SyncData, [&] { return FlushFileBuffers(h(file)); }));
}

bool fileSystemFlushCovers(const Folder &)
{
    return false; // flushing a whole volume needs an administrator
}

Error syncFileSystem(const Folder &)
{
    return {Cause::SystemError, ERROR_NOT_SUPPORTED};
}

namespace {

// ntdll's NtFlushBuffersFileEx (Windows 10 1709 and later), looked up once:
// missing on older systems, and wine may lack it or refuse its flags.
struct NtFlush
{
    using Flush = LONG(WINAPI *)(HANDLE, ULONG, PVOID, ULONG, PVOID);
    using ToDosError = ULONG(WINAPI *)(LONG);
    Flush flush = nullptr;
    ToDosError toDosError = nullptr;
};

const NtFlush &ntFlush()
{
    static const NtFlush found = [] {
        NtFlush f;
        if (const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
            f.flush = reinterpret_cast<NtFlush::Flush>(
                reinterpret_cast<void *>(GetProcAddress(ntdll, "NtFlushBuffersFileEx")));
            f.toDosError = reinterpret_cast<NtFlush::ToDosError>(
                reinterpret_cast<void *>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
        }
        if (!f.toDosError)
            f.flush = nullptr;
        return f;
    }();
    return found;
}

} // namespace

bool batchFlushCovers(const Folder &folder)
{
    if (const std::optional<bool> pretended = testing::pretendedBatchFlushCovers())
        return *pretended;
    if (!ntFlush().flush)
        return false;
    // A local disk's full flush empties its whole cache; a share's flushes one file.
    wchar_t volume[MAX_PATH];
    if (!GetVolumePathNameW(folder.path.c_str(), volume, MAX_PATH))
        return false;
    const UINT type = GetDriveTypeW(volume);
    return type == DRIVE_FIXED || type == DRIVE_REMOVABLE;
}

Error writeOut(const Handle &file)
{
    const NtFlush &nt = ntFlush();
    if (!nt.flush && !testing::pretendedBatchFlushCovers())
        return {Cause::Unsupported, ERROR_CALL_NOT_IMPLEMENTED};
    constexpr ULONG kFileDataOnly = 0x1; // FLUSH_FLAGS_FILE_DATA_ONLY
    const BOOL done = after(Call::WriteOut, [&]() -> BOOL {
        if (!nt.flush) {
            SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
            return FALSE;
        }
        alignas(8) unsigned char status[16] = {}; // an IO_STATUS_BLOCK
        const LONG result = nt.flush(h(file), kFileDataOnly, nullptr, 0, status);
        if (result >= 0)
            return TRUE;
        SetLastError(nt.toDosError(result));
        return FALSE;
    });
    if (done)
        return {};
    const DWORD code = GetLastError();
    if (code == ERROR_CALL_NOT_IMPLEMENTED || code == ERROR_NOT_SUPPORTED || code == ERROR_INVALID_FUNCTION
        || code == ERROR_INVALID_PARAMETER)
        return {Cause::Unsupported, static_cast<int>(code)};
    return fromSystem(static_cast<int>(code));
}

bool errorsReachFileSystemSync()
{
    return testing::pretendedFileSystemSyncReportsErrors().value_or(false);
}

Error syncFolder(const Folder &folder)
{
    if (after(Call::SyncFolder, [&] { return FlushFileBuffers(h(folder.handle)); }))
        return {};
    const DWORD code = GetLastError();
    if (code == ERROR_ACCESS_DENIED || code == ERROR_INVALID_FUNCTION)
        return {}; // a folder this user may only read, or a file system that can't flush one
    return fromSystem(static_cast<int>(code));
}

Error rename(const OpenFile &file, const String &to, bool replace)
{
    if (reserved(to))
        return kReserved;
    const String target = extendedChild(file.folder, to);
    const std::size_t bytes = sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(bytes, 0);
    auto *info = reinterpret_cast<FILE_RENAME_INFO *>(buffer.data());
    info->ReplaceIfExists = replace ? TRUE : FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::memcpy(info->FileName, target.c_str(), target.size() * sizeof(wchar_t));
    if (!before(Call::Rename, [&] {
            return SetFileInformationByHandle(h(file.handle), FileRenameInfo, info, static_cast<DWORD>(bytes));
        })) {
        const Error error = lastError();
        return error.code == ERROR_ACCESS_DENIED ? whyDenied(target) : error;
    }
    return {};
}

Error removeAt(const Folder &folder, const String &name)
{
    return check(before(Call::Remove, [&] { return DeleteFileW(extendedChild(folder, name).c_str()); }));
}

Error makeWritable(const Folder &folder, const String &name)
{
    // "Normal": no read-only, hidden, system or archive attribute.
    return check(before(Call::SetWritable, [&] {
        return SetFileAttributesW(extendedChild(folder, name).c_str(), FILE_ATTRIBUTE_NORMAL);
    }));
}

// ---- the end of the process ---------------------------------------------------

void removeFromHandler(const Pending &pending) noexcept
{
    // Deleted when the last handle goes, which is when the process ends.
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(reinterpret_cast<HANDLE>(pending.file), FileDispositionInfo, &disposition,
                               sizeof disposition);
}

bool onInterrupt(InterruptHandler handler)
{
    g_interrupt.store(handler);
    return SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
}

void keepRunningPastSizeLimit()
{
    // Windows has no file-size limit signal: a write past a limit fails as it is.
}

int openFileLimit()
{
    return 16'384; // handles are limited by memory only; keep groups and caches at their usual size
}

} // namespace hy3::fs::sys
