#include "folderpath.h"

#include "dataerror.h"

using namespace Qt::StringLiterals;

namespace hy3 {

bool EndsWithSeparator(const QString &path)
{
#ifdef Q_OS_WIN
    if (path.endsWith(u'\\'))
        return true;
#endif
    return path.endsWith(u'/');
}

QString FolderWithSeparator(const QString &folderText)
{
    QString folder = folderText.trimmed();
    if (!EndsWithSeparator(folder))
        folder += u'/';
    return folder;
}

QString DestinationFileName(const QString &oldName)
{
    if (oldName.size() < 4)
        throw DataError(u"「%1」: ファイル名が短すぎます（拡張子を含めて4文字以上が必要です）"_s.arg(oldName));
    return oldName.chopped(4) + u".hy3"_s;
}

} // namespace hy3
