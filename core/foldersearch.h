#pragma once

#include <QString>
#include <QStringList>

namespace hy3 {

// The normal files of a folder whose names match a pattern of '*' (any run of
// characters) and '?' (one character), letter case ignored, in the order the
// file system enumerates them. Folders, hidden files and special files (devices,
// pipes, sockets, broken links) are never returned; read-only files are.
// A folder that does not exist yields nothing.
[[nodiscard]] QStringList FindFiles(const QString &folder, const QString &pattern);

// True when the path names at least one file as FindFiles sees them; the last
// part of the path may hold '*' and '?'.
[[nodiscard]] bool ChkFile(const QString &strFile);

} // namespace hy3
