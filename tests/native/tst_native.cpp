// SPDX-License-Identifier: MIT
// The file layer through its plain interface, on whichever system it is built
// for: folders, temporaries, replacing, leftovers, names that are not ASCII,
// causes of failures.

#include "check.h"
#include "fs/native.h"

#include <string>

#ifdef _WIN32
#include <windows.h>
#define N(text) L##text
#else
#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#define N(text) text
#endif

using namespace hy3;
using namespace hy3::fs::native;

namespace {

String workFolder()
{
#ifdef _WIN32
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    for (unsigned n = GetTickCount();; ++n) { // a folder of this run's own
        const String folder = String(base) + L"hy3-native-" + std::to_wstring(n);
        if (CreateDirectoryW(folder.c_str(), nullptr))
            return folder;
    }
#else
    char base[] = "/tmp/hy3-native-XXXXXX";
    return ::mkdtemp(base);
#endif
}

String join(const String &folder, const String &name)
{
#ifdef _WIN32
    return folder + L"\\" + name;
#else
    return folder + "/" + name;
#endif
}

// Writes `bytes` as `name` the way the converter does: temporary, then replace.
Error writeFile(const Folder &folder, const String &name, const std::string &bytes, bool overwrite = true)
{
    String temporary;
    Handle file;
    Identity identity;
    if (const Error error = createTemporary(folder, temporary, file, identity))
        return error;
    CHECK(isTemporaryName(temporary));
    if (const Error error = writeBytes(file, bytes.data(), bytes.size()))
        return error;
    if (const Error error = syncData(file))
        return error;
    const Error error = replaceFile(folder, file, temporary, name, overwrite);
    (void)file.close();
    if (error)
        (void)removeFile(folder, temporary);
    forget(folder, temporary);
    return error;
}

std::string readFile(const Folder &folder, const String &name)
{
    Handle file;
    if (openForReading(folder, name, false, file))
        return "<cannot open>";
    std::string bytes;
    char block[7]; // small, so that reading takes several calls
    for (std::size_t got = 0; !readBytes(file, block, sizeof block, got) && got > 0;)
        bytes.append(block, got);
    return bytes;
}

int count(const Folder &folder, bool temporaries)
{
    std::vector<Entry> entries;
    CHECK(!listFolder(folder, entries));
    int n = 0;
    for (const Entry &entry : entries)
        n += isTemporaryName(entry.name) == temporaries ? 1 : 0;
    return n;
}

} // namespace

int main()
{
    const String root = workFolder();
    const String path = join(root, N("a"));
    CHECK(!makeFolders(join(path, N("b"))));
    Folder folder;
    CHECK(!openFolder(path, folder));

    // Written, replaced, kept.
    CHECK(!writeFile(folder, N("out.hy3"), "first"));
    CHECK(readFile(folder, N("out.hy3")) == "first");
    CHECK(!writeFile(folder, N("out.hy3"), "second, longer"));
    CHECK(readFile(folder, N("out.hy3")) == "second, longer");
    CHECK(writeFile(folder, N("out.hy3"), "third", false).cause == Cause::Exists);
    CHECK(readFile(folder, N("out.hy3")) == "second, longer");
    CHECK(count(folder, true) == 0);

    // A name that is not ASCII lists and opens as itself.
#ifdef _WIN32
    const String fare = L"\u904B\u8CC3.hyo";
#else
    const String fare = "\xE9\x81\x8B\xE8\xB3\x83.hyo";
#endif
    CHECK(!writeFile(folder, fare, "fare"));
    std::vector<Entry> entries;
    CHECK(!listFolder(folder, entries));
    bool seen = false;
    for (const Entry &entry : entries)
        seen = seen || (entry.name == fare && entry.type == Type::Regular && !entry.hidden);
    CHECK(seen);
    Status status;
    CHECK(!statName(folder, fare, true, status) && status.type == Type::Regular && status.size == 4);

    // What is not there, not a folder, or not a plain file.
    Folder missing;
    CHECK(openFolder(join(path, N("missing")), missing).cause == Cause::NotFound);
    CHECK(openFolder(join(path, N("out.hy3")), missing).cause == Cause::NotAFolder);
    Handle file;
    CHECK(openForReading(folder, N("b"), false, file).cause == Cause::NotRegularFile);
    CHECK(openForReading(folder, N("missing.hyo"), false, file).cause == Cause::NotFound);
    CHECK(!statName(folder, N("b"), false, status) && status.type == Type::Folder);

    // A leftover of a killed run is removed; one still being written is not.
    String leftover;
    Handle killed;
    Identity identity;
    CHECK(!createTemporary(folder, leftover, killed, identity));
    (void)killed.close();
    forget(folder, leftover);
    String writing;
    Handle open;
    CHECK(!createTemporary(folder, writing, open, identity));
    int removed = 0;
    CHECK(!removeStaleTemporaries(folder, removed));
    CHECK(removed == 1);
    CHECK(count(folder, true) == 1);
    (void)open.close();
    CHECK(!removeFile(folder, writing));
    forget(folder, writing);

    // Read-only made writable.
#ifdef _WIN32
    CHECK(SetFileAttributesW(join(path, N("out.hy3")).c_str(), FILE_ATTRIBUTE_READONLY));
    CHECK(!makeWritable(folder, N("out.hy3")));
    CHECK(!(GetFileAttributesW(join(path, N("out.hy3")).c_str()) & FILE_ATTRIBUTE_READONLY));
    const int noSpace = ERROR_DISK_FULL;
#else
    CHECK(::chmod(join(path, N("out.hy3")).c_str(), 0444) == 0);
    CHECK(!makeWritable(folder, N("out.hy3")));
    CHECK(::access(join(path, N("out.hy3")).c_str(), W_OK) == 0);
    const int noSpace = ENOSPC;
#endif

    // An injected failure comes back with its cause.
    testing::failCall(testing::Op::Write, 1, noSpace);
    CHECK(writeFile(folder, N("full.hy3"), "x").cause == Cause::NoSpace);
    testing::clearFaults();

    // Tidy up.
    for (const String &name : {String(N("out.hy3")), fare, String(N("full.hy3"))})
        (void)removeFile(folder, name);
    (void)folder.handle.close();
#ifdef _WIN32
    RemoveDirectoryW(join(path, N("b")).c_str());
    RemoveDirectoryW(path.c_str());
    RemoveDirectoryW(root.c_str());
#else
    ::rmdir(join(path, N("b")).c_str());
    ::rmdir(path.c_str());
    ::rmdir(root.c_str());
#endif
    return finish("file layer");
}
