// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

namespace hy3::ui {

// The roots of the mounted file systems a user would pick a folder on: "/"
// first, then the others by path. Kernel and memory file systems (proc, sysfs,
// cgroup, devtmpfs, ...) and mounts below /proc, /sys, /dev and /run (except
// removable media under /run/media) are left out.
[[nodiscard]] QStringList mountRoots();

// The root of the file system that holds the path.
[[nodiscard]] QString rootOf(const QString &path);

// The root of the file system that holds the program's own executable.
[[nodiscard]] QString programDrive();

} // namespace hy3::ui
