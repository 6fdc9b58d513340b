// SPDX-License-Identifier: MIT
// The floor of the converter's promise: what any program must do to put the
// same output bytes on the disk as safely as hy3conv does, and no more. The
// bytes are the conversion's, made beforehand (a folder of .hy3 files, read
// as a converter reads its sources); for each file a temporary is created
// with O_EXCL and written; then, per group of 256 files, the file system is
// flushed once, the temporaries renamed in order, and the folder flushed once.
//
//   bench_floor REFERENCE_FOLDER OUTPUT_FOLDER

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kGroup = 256;

bool readAll(int folder, const char *name, std::string &bytes)
{
    const int file = openat(folder, name, O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return false;
    char block[65536];
    bytes.clear();
    for (ssize_t n; (n = read(file, block, sizeof block)) > 0;)
        bytes.append(block, static_cast<std::size_t>(n));
    close(file);
    return true;
}

bool writeAll(int file, const std::string &bytes)
{
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(file, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3)
        return 2;
    DIR *reference = opendir(argv[1]);
    mkdir(argv[2], 0777);
    const int out = open(argv[2], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (!reference || out < 0)
        return 1;
    std::vector<std::string> names;
    while (const dirent *entry = readdir(reference)) {
        if (entry->d_name[0] != '.')
            names.emplace_back(entry->d_name);
    }
    std::sort(names.begin(), names.end());
    const int from = dirfd(reference);
    std::string bytes;
    std::vector<std::string> group;
    const auto commit = [&] {
        if (syncfs(out) != 0)
            return false;
        for (std::size_t i = 0; i < group.size(); ++i) {
            if (renameat(out, ("~floor-" + std::to_string(i) + ".tmp").c_str(), out, group[i].c_str()) != 0)
                return false;
        }
        group.clear();
        return fsync(out) == 0;
    };
    for (const std::string &name : names) {
        if (!readAll(from, name.c_str(), bytes))
            return 1;
        const std::string temporary = "~floor-" + std::to_string(group.size()) + ".tmp";
        const int file = openat(out, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file < 0 || !writeAll(file, bytes) || close(file) != 0)
            return 1;
        group.push_back(name);
        if (group.size() == kGroup && !commit())
            return 1;
    }
    if (!group.empty() && !commit())
        return 1;
    closedir(reference);
    return 0;
}
