// SPDX-License-Identifier: MIT
#include "foldersearch.h"

#include "filesystem.h"

namespace hy3 {

namespace native = fs::native;

namespace {

bool sameLetter(QChar a, QChar b)
{
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

} // namespace

bool matchesPattern(QStringView name, QStringView pattern)
{
    // Greedy walk that backs up to the last '*' on a mismatch.
    qsizetype n = 0, p = 0, starAt = -1, starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || sameLetter(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (starAt >= 0) {
            p = starAt + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

FolderSearch searchFolder(const QString &folder, const QString &pattern)
{
    FolderSearch search;
    if (pattern.isEmpty())
        return search;
    search.error = fs::openFolder(folder, search.folder);
    std::vector<native::Entry> entries;
    if (!search.error)
        search.error = native::listFolder(search.folder, entries);
    if (search.error)
        return search;
    for (const native::Entry &entry : entries) {
        const QString name = fs::fromNative(entry.name);
        if (entry.hidden || !matchesPattern(name, pattern))
            continue;
        if (entry.type == native::Type::Regular) {
            search.files.push_back({name, true});
        } else if (entry.type == native::Type::Link || entry.type == native::Type::Unknown) {
            native::Status status;
            if (!native::statName(search.folder, entry.name, true, status) && status.type == native::Type::Regular)
                search.files.push_back({name, false});
        }
    }
    return search;
}

QStringList findFolders(const QString &folder)
{
    QStringList names;
    native::Folder open;
    std::vector<native::Entry> entries;
    if (fs::openFolder(folder, open) || native::listFolder(open, entries))
        return names;
    for (const native::Entry &entry : entries) {
        const QString name = fs::fromNative(entry.name);
        if (entry.hidden)
            continue;
        native::Status status;
        if (entry.type == native::Type::Folder
            || (entry.type == native::Type::Unknown && !native::statName(open, entry.name, false, status)
                && status.type == native::Type::Folder))
            names.append(name);
    }
    return names;
}

QStringList findFiles(const QString &folder, const QString &pattern)
{
    QStringList names;
    for (const FoundFile &file : searchFolder(folder, pattern).files)
        names.append(file.name);
    return names;
}

bool ChkFile(const QString &strFile)
{
    const fs::PathParts parts = fs::splitPath(strFile);
    return !findFiles(parts.folder, parts.name).isEmpty();
}

} // namespace hy3
