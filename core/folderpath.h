#pragma once

#include <QString>

namespace hy3 {

// A folder text as typed: surrounding blanks removed and a separator appended
// when it has none, so "/data/old" and "/data/old/" name the same folder and
// an empty text names the root.
[[nodiscard]] QString FolderWithSeparator(const QString &folderText);

// True when the path already ends in a separator of this platform.
[[nodiscard]] bool EndsWithSeparator(const QString &path);

// ABC.hyo -> ABC.hy3: the last four characters are replaced, whatever they
// are. Throws DataError for a name shorter than four characters.
[[nodiscard]] QString DestinationFileName(const QString &oldName);

} // namespace hy3
