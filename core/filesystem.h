// SPDX-License-Identifier: MIT
#pragma once

// Paths as the program holds them, and the file layer's failures as DataError.
//
// A path is a QString. On POSIX a name is bytes: the bytes that are not UTF-8
// (names unpacked from Windows archives are cp932) are kept one by one as
// U+DC80 + byte, so the name opens the same file again and an output can be
// named with exactly the same bytes.

#include "dataerror.h"
#include "fs/native.h"

#include <QString>

namespace hy3::fs {

[[nodiscard]] native::String toNative(const QString &path);
[[nodiscard]] QString fromNative(const native::String &name);

// The path for showing: native separators; a name holding bytes that are not
// UTF-8 is decoded as cp932, with U+FFFD where even that fails.
[[nodiscard]] QString shown(const QString &path);

// True when the text holds U+FFFD, the mark of characters lost on the way
// (typed or pasted from a display of a name that is not UTF-8).
[[nodiscard]] bool hasLostCharacters(const QString &path);

// "folder/name" split after the last separator; a path without a folder is
// in the current folder ("./").
struct PathParts
{
    QString folder; // ends in a separator
    QString name;
};
[[nodiscard]] PathParts splitPath(const QString &path);

// A DataError whose message is `sentence` with %1 the shown path and %2 the
// cause: u"「%1」を開けません（%2）".
[[nodiscard]] DataError failure(const native::Error &error, const QString &sentence, const QString &path);

// Opens a folder; the error is the caller's to word.
[[nodiscard]] native::Error openFolder(const QString &path, native::Folder &folder);

// What a path is, links followed.
[[nodiscard]] native::Error statPath(const QString &path, native::Status &status);

} // namespace hy3::fs
