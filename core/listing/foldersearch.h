// SPDX-License-Identifier: MIT
#pragma once

#include "fs/sys.h"
#include "listing/namelist.h"

#include <QString>
#include <QStringList>
#include <QStringView>

namespace hy3 {

// '*' is any run of characters, '?' one character, anything else itself;
// letter case is ignored.
[[nodiscard]] bool matchesPattern(QStringView name, QStringView pattern);

struct FolderEntries
{
    NameList files;      // the real names (see paths.h)
    NameList folders;    // sub-folders, when asked for
    int hiddenFiles = 0; // hidden names that match, passed over
};

// The normal files of an open folder whose names match one of the patterns,
// in the order the file system enumerates them, and (with `folders`) its
// sub-folders. Hidden names (".name"), special files (pipes, devices,
// sockets, broken links) and links to folders are passed over (a link to a
// folder could lead round in a circle); read-only files and links to plain
// files count.
[[nodiscard]] fs::sys::Error readFolder(const fs::sys::Folder &folder, const QStringList &patterns, bool folders,
                                        FolderEntries &entries);

struct FolderSearch
{
    fs::sys::Folder folder;
    fs::sys::Error error; // the folder could not be opened or read
    NameList files;
};

// The files readFolder finds in the folder at a path.
[[nodiscard]] FolderSearch searchFolder(const QString &folder, const QString &pattern);

// True when the path names at least one file as searchFolder sees them; the
// last part of the path may hold '*' and '?'.
[[nodiscard]] bool ChkFile(const QString &strFile);

} // namespace hy3
