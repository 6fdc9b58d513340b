// SPDX-License-Identifier: MIT
#include "folderpath.h"

#include "dataerror.h"
#include "filesystem.h"

using namespace Qt::StringLiterals;

namespace hy3 {

bool endsWithSeparator(const QString &path)
{
#ifdef Q_OS_WIN
    if (path.endsWith(u'\\'))
        return true;
#endif
    return path.endsWith(u'/');
}

QString folderWithSeparator(const QString &folderText)
{
    QString folder = folderText.trimmed();
    if (!endsWithSeparator(folder))
        folder += u'/';
    return folder;
}

QString destinationFileName(const QString &oldName)
{
    if (oldName.size() < 4)
        throw DataError(Cause::NameTooShort,
                        u"「%1」: ファイル名が短すぎます（拡張子を含めて4文字以上が必要です）"_s.arg(fs::shown(oldName)));
    return oldName.chopped(4) + u".hy3"_s;
}

ConversionPaths pathsFor(const QString &sourceFolderText, const QString &destinationFolderText, const QString &oldName)
{
    return {folderWithSeparator(sourceFolderText) + oldName,
            folderWithSeparator(destinationFolderText) + destinationFileName(oldName)};
}

} // namespace hy3
