// SPDX-License-Identifier: MIT
#pragma once

// Paths as the program holds them: a QString. On POSIX a name is bytes: the
// bytes that are not UTF-8 (names unpacked from Windows archives are cp932)
// are kept one by one as U+DC80 + byte, so the name opens the same file again
// and an output can be named with exactly the same bytes.

#include "fs/sys.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace hy3::fs {

[[nodiscard]] sys::String toNative(const QString &path);
[[nodiscard]] QString fromNative(const sys::String &name);

// The path for showing: native separators; a name holding bytes that are not
// UTF-8 is decoded as cp932, with U+FFFD where even that fails.
[[nodiscard]] QString shown(const QString &path);

// True when the path holds bytes that are not UTF-8 (kept as U+DC80 + byte).
[[nodiscard]] bool hasKeptBytes(const QString &path);
// The path's bytes as the system has them (POSIX), or its UTF-16 code units
// (Windows), for a machine-readable copy that loses nothing.
[[nodiscard]] QByteArray systemBytes(const QString &path);
[[nodiscard]] QString fromSystemBytes(QByteArrayView bytes);

// True when the text holds U+FFFD, the mark of characters lost on the way
// (typed or pasted from a display of a name that is not UTF-8).
[[nodiscard]] bool hasLostCharacters(const QString &path);

[[nodiscard]] bool isSeparator(QChar c);
// True when the path already ends in a separator of this platform.
[[nodiscard]] bool endsWithSeparator(const QString &path);
// The folder text as it stands, with a separator appended when it has none,
// so "/data/old" and "/data/old/" name the same folder.
[[nodiscard]] QString withSeparator(const QString &folder);

// The folder that holds a folder: "a/b/c/" -> "a/b/"; empty at the top.
[[nodiscard]] QString parentFolder(const QString &folder);

// "folder/name" split after the last separator; a path without a folder is
// in the current folder ("./").
struct PathParts
{
    QString folder; // ends in a separator
    QString name;
};
[[nodiscard]] PathParts splitPath(const QString &path);

} // namespace hy3::fs
