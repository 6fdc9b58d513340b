// SPDX-License-Identifier: MIT
#pragma once

#include "fs/native.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace hy3 {

// '*' is any run of characters, '?' one character, anything else itself;
// letter case is ignored.
[[nodiscard]] bool matchesPattern(QStringView name, QStringView pattern);

struct FoundFile
{
    QString name;              // the real name (see filesystem.h)
    bool listedRegular = true; // the folder listing said so; otherwise a link to a plain file
};

struct FolderSearch
{
    fs::native::Folder folder;
    fs::native::Error error; // the folder could not be opened or read
    std::vector<FoundFile> files;
};

// The normal files of a folder whose names match a pattern, in the order the
// file system enumerates them. Hidden files (".name"), folders and special
// files (pipes, devices, sockets, broken links) are passed over; read-only
// files and links to plain files count.
[[nodiscard]] FolderSearch searchFolder(const QString &folder, const QString &pattern);

// The sub-folders of a folder, without hidden ones and without links to
// folders (which could lead round in a circle); nothing when it can't be read.
[[nodiscard]] QStringList findFolders(const QString &folder);

// The names searchFolder finds; nothing when the folder can't be read.
[[nodiscard]] QStringList findFiles(const QString &folder, const QString &pattern);

// True when the path names at least one file as findFiles sees them; the last
// part of the path may hold '*' and '?'.
[[nodiscard]] bool ChkFile(const QString &strFile);

} // namespace hy3
