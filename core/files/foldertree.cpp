// SPDX-License-Identifier: MIT
#include "files/foldertree.h"

#include "files/paths.h"

#include <vector>

using namespace Qt::StringLiterals;

namespace hy3::fs {

namespace {

constexpr QStringView kRunFormat = u"yyyy-MM-dd_HHmmss";

// Removes what a folder holds. Its handle is closed on return: Windows
// refuses to remove a folder that is still open.
sys::Error emptyFolder(const sys::Folder &parent, const sys::String &native)
{
    sys::Folder folder;
    if (const sys::Error error = sys::openSubfolder(parent, native, folder))
        return error;
    std::vector<std::pair<sys::String, sys::Type>> entries;
    if (const sys::Error error = sys::listFolder(folder, [&entries](const sys::Entry &entry) {
            entries.emplace_back(entry.name, entry.type);
            return true;
        }))
        return error;
    for (const auto &[entry, type] : entries) {
        sys::Type what = type;
        sys::Status status;
        if (what == sys::Type::Unknown && !sys::statAt(folder, entry, false, status))
            what = status.type;
        const sys::Error error = what == sys::Type::Folder ? removeFolderTree(folder, fromNative(entry))
                                                           : sys::removeAt(folder, entry);
        if (error && error.cause != Cause::NotFound)
            return error;
    }
    return {};
}

} // namespace

sys::Error removeFolderTree(const sys::Folder &parent, const QString &name)
{
    const sys::String native = toNative(name);
    if (const sys::Error error = emptyFolder(parent, native))
        return error.cause == Cause::LinkInTheWay ? sys::removeAt(parent, native) : error;
    return sys::removeSubfolder(parent, native);
}

void removeFoldersMadeBefore(const QString &path, const QDateTime &before, const QString &keep)
{
    sys::Folder folder;
    if (sys::openFolder(toNative(withSeparator(path)), folder))
        return;
    QStringList old;
    (void)sys::listFolder(folder, [&](const sys::Entry &entry) {
        const QString name = fromNative(entry.name);
        const QDateTime made = QDateTime::fromString(name.left(kRunFormat.size()), kRunFormat);
        if (made.isValid() && made < before && name != keep)
            old.append(name);
        return true;
    });
    for (const QString &name : old)
        (void)removeFolderTree(folder, name); // what can't go now goes with a later run
}

QString runName(const QDateTime &start)
{
    return start.toString(kRunFormat);
}

} // namespace hy3::fs
