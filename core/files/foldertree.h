// SPDX-License-Identifier: MIT
#pragma once

#include "fs/sys.h"

#include <QDateTime>
#include <QString>

namespace hy3::fs {

// Removes the folder `name` below `parent` with everything in it, never
// through a link (a link inside is removed, not followed).
[[nodiscard]] sys::Error removeFolderTree(const sys::Folder &parent, const QString &name);

// Removes the folders of `folder` whose names say they were made before
// `before` (named "yyyy-MM-dd_HHmmss", as runs are), but never `keep`. A
// folder that is not there, or a name that says no time, is left alone.
void removeFoldersMadeBefore(const QString &folder, const QDateTime &before, const QString &keep);

// A run's name for the moment it starts: "2026-12-08_013000".
[[nodiscard]] QString runName(const QDateTime &start);

} // namespace hy3::fs
