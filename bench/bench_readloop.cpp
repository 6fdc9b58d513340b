// SPDX-License-Identifier: MIT
// What a user would otherwise run to look into every file of a folder: open
// each, read its first 64 bytes, close it. The baseline of `hy3conv list`.

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
    if (argc != 2)
        return 2;
    DIR *dir = opendir(argv[1]);
    if (!dir)
        return 1;
    const int folder = dirfd(dir);
    char block[64];
    long total = 0;
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const int file = openat(folder, entry->d_name, O_RDONLY | O_CLOEXEC);
        if (file < 0)
            return 1;
        total += read(file, block, sizeof block);
        close(file);
    }
    closedir(dir);
    return total > 0 ? 0 : 1;
}
