// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace hy3 {

// A folder text as typed: surrounding blanks removed and a separator appended
// when it has none, so "/data/old" and "/data/old/" name the same folder and
// an empty text names the root.
[[nodiscard]] QString folderWithSeparator(const QString &folderText);

// True when the path already ends in a separator of this platform.
[[nodiscard]] bool endsWithSeparator(const QString &path);

struct ConversionPaths
{
    QString source;
    QString destination;
};

// Source: source folder + old name; destination: destination folder + old
// name with its last four characters replaced by ".hy3". Folder texts are
// trimmed and get a separator. Throws DataError for a name under four characters.
[[nodiscard]] ConversionPaths pathsFor(const QString &sourceFolderText, const QString &destinationFolderText,
                                       const QString &oldName);

// ABC.hyo -> ABC.hy3: the last four characters are replaced, whatever they
// are. Throws DataError for a name shorter than four characters.
[[nodiscard]] QString destinationFileName(const QString &oldName);

} // namespace hy3
