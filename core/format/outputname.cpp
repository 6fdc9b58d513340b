// SPDX-License-Identifier: MIT
#include "format/outputname.h"

#include "format/dataerror.h"
#include "files/paths.h"

using namespace Qt::StringLiterals;

namespace hy3 {

QString destinationFileName(const QString &oldName)
{
    if (oldName.size() < 4)
        throw DataError({Cause::NameTooShort, Action::CreateOutput});
    return oldName.chopped(4) + u".hy3"_s;
}

ConversionPaths pathsFor(const QString &sourceFolder, const QString &destinationFolder, const QString &oldName)
{
    return {fs::withSeparator(sourceFolder) + oldName,
            fs::withSeparator(destinationFolder) + destinationFileName(oldName)};
}

} // namespace hy3
