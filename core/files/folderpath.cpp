// SPDX-License-Identifier: MIT
#include "files/folderpath.h"

#include "files/paths.h"

namespace hy3::fs {

FolderPath::FolderPath(const QString &named)
    : m_named(withSeparator(named))
{
}

FolderPath FolderPath::child(const QString &name) const
{
    FolderPath folder = *this;
    folder.m_below.append(name);
    return folder;
}

FolderPath FolderPath::upTo(qsizetype depth) const
{
    FolderPath folder = *this;
    folder.m_below = m_below.first(qBound(qsizetype(0), depth, m_below.size()));
    return folder;
}

QString FolderPath::text(qsizetype depth) const
{
    const qsizetype count = depth < 0 ? m_below.size() : qMin(depth, m_below.size());
    QString path = m_named;
    for (qsizetype i = 0; i < count; ++i)
        path += m_below[i] + u'/';
    return path;
}

FilePath filePath(const QString &path)
{
    const PathParts parts = splitPath(path);
    if (parts.folder == u"./" && !path.startsWith(u"./"))
        return {FolderPath::current(), parts.name};
    return {FolderPath(parts.folder), parts.name};
}

} // namespace hy3::fs
