// SPDX-License-Identifier: MIT
#include "listing/foldersearch.h"

#include "files/paths.h"

namespace hy3 {

namespace sys = fs::sys;

namespace {

bool sameLetter(QChar a, QChar b)
{
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

bool matchesAny(QStringView name, const QStringList &patterns)
{
    return std::any_of(patterns.cbegin(), patterns.cend(),
                       [name](const QString &pattern) { return matchesPattern(name, pattern); });
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

sys::Error readFolder(const sys::Folder &folder, const QStringList &patterns, bool folders, FolderEntries &entries)
{
    std::vector<std::pair<QString, sys::String>> unknown; // the listing did not say what they are
    const sys::Error error = sys::listFolder(folder, [&](const sys::Entry &entry) {
        if (entry.hidden) {
            if (entry.type != sys::Type::Folder && matchesAny(fs::fromNative(entry.name), patterns))
                ++entries.hiddenFiles;
            return true;
        }
        if (entry.type == sys::Type::Folder) {
            if (folders)
                entries.folders.append(fs::fromNative(entry.name));
            return true;
        }
        if (entry.type != sys::Type::Regular && entry.type != sys::Type::Link && entry.type != sys::Type::Unknown)
            return true;
        QString name = fs::fromNative(entry.name);
        if (entry.type == sys::Type::Regular) {
            if (matchesAny(name, patterns))
                entries.files.append(name);
        } else if (matchesAny(name, patterns) || (folders && entry.type == sys::Type::Unknown)) {
            unknown.emplace_back(std::move(name), entry.name);
        }
        return true;
    });
    if (error)
        return error;
    for (auto &[name, native] : unknown) {
        sys::Status status;
        if (sys::statAt(folder, native, false, status))
            continue; // gone meanwhile
        if (status.type == sys::Type::Folder) {
            if (folders)
                entries.folders.append(name);
        } else if (matchesAny(name, patterns)) {
            if (status.type == sys::Type::Regular)
                entries.files.append(name);
            else if (status.type == sys::Type::Link && !sys::statAt(folder, native, true, status)
                     && status.type == sys::Type::Regular)
                entries.files.append(name);
        }
    }
    return {};
}

FolderSearch searchFolder(const QString &folder, const QString &pattern)
{
    FolderSearch search;
    if (pattern.isEmpty())
        return search;
    search.error = sys::openFolder(fs::toNative(folder), search.folder);
    if (search.error)
        return search;
    FolderEntries entries;
    search.error = readFolder(search.folder, {pattern}, false, entries);
    search.files = std::move(entries.files);
    return search;
}

bool ChkFile(const QString &strFile)
{
    const fs::PathParts parts = fs::splitPath(strFile);
    return !searchFolder(parts.folder, parts.name).files.empty();
}

} // namespace hy3
