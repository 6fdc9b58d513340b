// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace hy3::ui {

struct Drive
{
    QString root; // "C:/" on Windows, "/media/usb" elsewhere
    QString name; // what the drive list shows before the drive is asked
};

// The drives a folder can be chosen on, found without touching any of them,
// so that a drive that does not answer (a stuck network mount, an empty disk
// drive) can't hold the window: the drive letters on Windows; elsewhere "/"
// first, then the roots of the other mounted file systems a user would pick
// a folder on, by path. Kernel and memory file systems (proc, sysfs, tmpfs,
// ...) and mounts below /proc, /sys, /dev and /run (but removable media
// under /run/media) are left out.
[[nodiscard]] QList<Drive> drives();

// What a drive says when asked: whether it answers, and its label (Windows).
struct DriveState
{
    bool ready = false;
    QString label;
};
// Asks the drive; may take long or never return: call it off the window's thread.
[[nodiscard]] DriveState askDrive(const QString &root);

// The drive that holds the path, from the paths alone.
[[nodiscard]] QString rootOf(const QString &path);

// The drive of the program's own executable.
[[nodiscard]] QString programDrive();

// The folders from the drive's root down to `path` itself: "/", "/a", "/a/b".
[[nodiscard]] QStringList ancestorsAndSelf(const QString &path);

// Tests: drives asked this way instead (a drive that hangs, one that is gone).
void setDriveQuestionForTesting(std::function<DriveState(const QString &root)> ask);

} // namespace hy3::ui
