// SPDX-License-Identifier: MIT
// A FUSE file system for the tests: every call passed through to a folder of
// the real file system, and what the converter asks of a medium written to a
// log (each create, flush, rename), so that a test sees whether each output's
// data was flushed where a flush of the whole file system reaches nothing.
// Options make it behave as media users have do: fold letter case as exFAT
// and NTFS do, answer a look-up with an I/O error, or be slow.
//
//   passthroughfs --log FILE [--fold-case] [--fail-lookup GLOB] [--delay-ms N] BACKING MOUNTPOINT

#define FUSE_USE_VERSION 31

#include <fuse.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

struct Options
{
    std::string backing;
    std::string log;
    bool foldCase = false;
    std::string failLookup;
    int delayMs = 0;
};

Options g_options;
std::mutex g_logMutex;
FILE *g_log = nullptr;

void note(const char *what, const char *path, const char *to = nullptr)
{
    const std::lock_guard lock(g_logMutex);
    std::fprintf(g_log, "%s %s%s%s\n", what, path ? path : "-", to ? " " : "", to ? to : "");
    std::fflush(g_log);
}

void slowly()
{
    if (g_options.delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(g_options.delayMs));
}

// The real path of a path of the mount. Where letter case is folded, each
// part that is not there as spelled is the entry of the folder that differs
// from it in case only, as on exFAT.
std::string real(const char *path)
{
    if (!g_options.foldCase)
        return g_options.backing + path;
    std::string at = g_options.backing;
    const std::string rest = path;
    std::size_t start = 1;
    while (start <= rest.size()) {
        std::size_t end = rest.find('/', start);
        if (end == std::string::npos)
            end = rest.size();
        std::string part = rest.substr(start, end - start);
        if (!part.empty()) {
            struct stat st {};
            if (::lstat((at + '/' + part).c_str(), &st) != 0) {
                if (DIR *dir = ::opendir(at.c_str())) {
                    while (const dirent *entry = ::readdir(dir)) {
                        if (::strcasecmp(entry->d_name, part.c_str()) == 0) {
                            part = entry->d_name;
                            break;
                        }
                    }
                    ::closedir(dir);
                }
            }
            at += '/' + part;
        }
        start = end + 1;
    }
    return at;
}

int result(int value)
{
    return value < 0 ? -errno : 0;
}

const char *baseName(const char *path)
{
    const char *slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

void *init(fuse_conn_info *, fuse_config *config)
{
    config->use_ino = 1;
    config->hard_remove = 1;
    // Every look-up reaches the daemon, as on a medium that folds case.
    config->entry_timeout = 0;
    config->attr_timeout = 0;
    config->negative_timeout = 0;
    return nullptr;
}

int getattr(const char *path, struct stat *st, fuse_file_info *fi)
{
    if (!g_options.failLookup.empty() && ::fnmatch(g_options.failLookup.c_str(), baseName(path), 0) == 0)
        return -EIO;
    if (fi)
        return result(::fstat(static_cast<int>(fi->fh), st));
    return result(::lstat(real(path).c_str(), st));
}

int readlink(const char *path, char *buffer, size_t size)
{
    const ssize_t length = ::readlink(real(path).c_str(), buffer, size - 1);
    if (length < 0)
        return -errno;
    buffer[length] = '\0';
    return 0;
}

int readdir(const char *path, void *buffer, fuse_fill_dir_t fill, off_t, fuse_file_info *, fuse_readdir_flags)
{
    DIR *dir = ::opendir(real(path).c_str());
    if (!dir)
        return -errno;
    while (const dirent *entry = ::readdir(dir)) {
        struct stat st {};
        st.st_ino = entry->d_ino;
        st.st_mode = static_cast<mode_t>(DTTOIF(entry->d_type));
        if (fill(buffer, entry->d_name, &st, 0, static_cast<fuse_fill_dir_flags>(0)))
            break;
    }
    ::closedir(dir);
    return 0;
}

int mkdir(const char *path, mode_t mode) { return result(::mkdir(real(path).c_str(), mode)); }
int rmdir(const char *path) { return result(::rmdir(real(path).c_str())); }
int unlink(const char *path) { return result(::unlink(real(path).c_str())); }
int symlink(const char *target, const char *path) { return result(::symlink(target, real(path).c_str())); }
int link(const char *from, const char *to) { return result(::link(real(from).c_str(), real(to).c_str())); }

int rename(const char *from, const char *to, unsigned int flags)
{
    note("rename", from, to);
    return result(static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, real(from).c_str(), AT_FDCWD,
                                              real(to).c_str(), flags)));
}

int chmod(const char *path, mode_t mode, fuse_file_info *) { return result(::chmod(real(path).c_str(), mode)); }

int chown(const char *path, uid_t uid, gid_t gid, fuse_file_info *)
{
    return result(::lchown(real(path).c_str(), uid, gid));
}

int truncate(const char *path, off_t size, fuse_file_info *fi)
{
    if (fi)
        return result(::ftruncate(static_cast<int>(fi->fh), size));
    return result(::truncate(real(path).c_str(), size));
}

int utimens(const char *path, const timespec times[2], fuse_file_info *)
{
    return result(::utimensat(AT_FDCWD, real(path).c_str(), times, AT_SYMLINK_NOFOLLOW));
}

int create(const char *path, mode_t mode, fuse_file_info *fi)
{
    slowly();
    note("create", path);
    const int file = ::open(real(path).c_str(), fi->flags, mode);
    if (file < 0)
        return -errno;
    fi->fh = static_cast<uint64_t>(file);
    return 0;
}

int open(const char *path, fuse_file_info *fi)
{
    const int file = ::open(real(path).c_str(), fi->flags);
    if (file < 0)
        return -errno;
    fi->fh = static_cast<uint64_t>(file);
    return 0;
}

int read(const char *, char *buffer, size_t size, off_t offset, fuse_file_info *fi)
{
    const ssize_t n = ::pread(static_cast<int>(fi->fh), buffer, size, offset);
    return n < 0 ? -errno : static_cast<int>(n);
}

int write(const char *, const char *buffer, size_t size, off_t offset, fuse_file_info *fi)
{
    const ssize_t n = ::pwrite(static_cast<int>(fi->fh), buffer, size, offset);
    return n < 0 ? -errno : static_cast<int>(n);
}

int statfs(const char *path, struct statvfs *info) { return result(::statvfs(real(path).c_str(), info)); }

int flush(const char *, fuse_file_info *fi)
{
    return result(::close(::dup(static_cast<int>(fi->fh))));
}

int release(const char *, fuse_file_info *fi)
{
    ::close(static_cast<int>(fi->fh));
    return 0;
}

int fsync(const char *path, int dataOnly, fuse_file_info *fi)
{
    slowly();
    note("fsync", path);
    const int file = static_cast<int>(fi->fh);
    return result(dataOnly ? ::fdatasync(file) : ::fsync(file));
}

int fsyncdir(const char *path, int, fuse_file_info *)
{
    note("fsyncdir", path);
    return 0;
}

int access(const char *path, int mask) { return result(::access(real(path).c_str(), mask)); }

fuse_operations operations()
{
    fuse_operations ops {};
    ops.init = init;
    ops.getattr = getattr;
    ops.readlink = readlink;
    ops.readdir = readdir;
    ops.mkdir = mkdir;
    ops.rmdir = rmdir;
    ops.unlink = unlink;
    ops.symlink = symlink;
    ops.link = link;
    ops.rename = rename;
    ops.chmod = chmod;
    ops.chown = chown;
    ops.truncate = truncate;
    ops.utimens = utimens;
    ops.create = create;
    ops.open = open;
    ops.read = read;
    ops.write = write;
    ops.statfs = statfs;
    ops.flush = flush;
    ops.release = release;
    ops.fsync = fsync;
    ops.fsyncdir = fsyncdir;
    ops.access = access;
    return ops;
}

int usage()
{
    std::fputs("usage: passthroughfs --log FILE [--fold-case] [--fail-lookup GLOB] [--delay-ms N] BACKING MOUNTPOINT\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    std::vector<std::string> places;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--log" && hasValue)
            g_options.log = argv[++i];
        else if (argument == "--fold-case")
            g_options.foldCase = true;
        else if (argument == "--fail-lookup" && hasValue)
            g_options.failLookup = argv[++i];
        else if (argument == "--delay-ms" && hasValue)
            g_options.delayMs = std::atoi(argv[++i]);
        else if (argument.rfind("--", 0) == 0)
            return usage();
        else
            places.push_back(argument);
    }
    if (places.size() != 2 || g_options.log.empty())
        return usage();
    char backing[PATH_MAX];
    if (!::realpath(places[0].c_str(), backing))
        return usage();
    g_options.backing = backing;
    g_log = std::fopen(g_options.log.c_str(), "a");
    if (!g_log)
        return 1;
    // In the foreground, one request at a time, for every user (the tests drop to "nobody"), with
    // the kernel checking permissions as on any medium.
    std::vector<std::string> fuseArguments{argv[0], places[1], "-f", "-s", "-o", "default_permissions"};
    if (::geteuid() == 0) {
        fuseArguments.emplace_back("-o");
        fuseArguments.emplace_back("allow_other");
    }
    std::vector<char *> pointers;
    for (std::string &argument : fuseArguments)
        pointers.push_back(argument.data());
    const fuse_operations ops = operations();
    return fuse_main(static_cast<int>(pointers.size()), pointers.data(), &ops, nullptr);
}
