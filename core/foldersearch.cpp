#include "foldersearch.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace hy3 {

namespace {

// QDir's wildcards also know [...] sets; a '[' in a file name is meant literally.
QString literalBrackets(const QString &pattern)
{
    QString escaped = pattern;
    escaped.replace(u"["_s, u"[[]"_s);
    return escaped;
}

} // namespace

QStringList FindFiles(const QString &folder, const QString &pattern)
{
    if (pattern.isEmpty())
        return {};
    QDir dir(folder);
    dir.setNameFilters({literalBrackets(pattern)}); // without QDir::CaseSensitive: case ignored
    // No permission flags: read-only files count. No Hidden, no System: those don't.
    dir.setFilter(QDir::Files | QDir::NoDotAndDotDot);
    dir.setSorting(QDir::Unsorted);
    return dir.entryList();
}

bool ChkFile(const QString &strFile)
{
    const QString path = QDir::fromNativeSeparators(strFile);
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString folder = slash < 0 ? u"."_s : path.left(slash + 1);
    const QString pattern = path.mid(slash + 1);
    return !FindFiles(folder, pattern).isEmpty();
}

} // namespace hy3
