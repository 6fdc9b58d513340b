// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace hy3 {

struct ConversionPaths
{
    QString source;
    QString destination;
};

// Source: source folder + old name; destination: destination folder + old
// name with its last four characters replaced by ".hy3". The folders are
// taken as they stand, with a separator appended where they have none.
// Throws DataError (NameTooShort) for a name under four characters.
[[nodiscard]] ConversionPaths pathsFor(const QString &sourceFolder, const QString &destinationFolder,
                                       const QString &oldName);

// ABC.hyo -> ABC.hy3: the last four characters are replaced, whatever they
// are. Throws DataError (NameTooShort) for a name shorter than four characters.
[[nodiscard]] QString destinationFileName(const QString &oldName);

} // namespace hy3
