#include "detaillisting.h"

#include "cp932.h"
#include "dataerror.h"
#include "folderpath.h"
#include "foldersearch.h"
#include "listing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace hy3 {

namespace {

// The locale's long time format without its time zone part.
QString timeWithSeconds(const QLocale &locale, QTime time)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(u't').replace(u"  "_s, u" "_s);
    return locale.toString(time, format.trimmed());
}

} // namespace

QString GeneralDateText(const QDateTime &dateTime)
{
    const QLocale locale = QLocale::system();
    QString text = locale.toString(dateTime.date(), QLocale::ShortFormat);
    if (dateTime.time() != QTime(0, 0))
        text += u' ' + timeWithSeconds(locale, dateTime.time());
    return text;
}

bool ResetAttributes(const QString &path)
{
    QFile file(path);
    return file.setPermissions(file.permissions() | QFileDevice::WriteOwner | QFileDevice::WriteUser);
}

void ListHyoFilesWithDetails(const QString &detailFolder, DetailRowTarget *target)
{
    const QString folder = FolderWithSeparator(detailFolder);
    for (const QString &name : FindFiles(folder, SearchPattern(DataKind::Standard))) {
        const QString path = folder + name;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw DataError(u"「%1」を開けません（%2）"_s.arg(QDir::toNativeSeparators(path), file.errorString()));
        DataFileHeader header;
        try {
            header = ReadHeader(file);
        } catch (const DataError &error) {
            throw DataError(u"「%1」: %2"_s.arg(QDir::toNativeSeparators(path), error.message()));
        }
        if (header.count < 0)
            throw DataError(u"「%1」の行数が負の値です（%2）"_s.arg(QDir::toNativeSeparators(path)).arg(header.count));
        if (header.count == 0)
            continue;
        if (!target)
            return; // no list to fill: stop before touching the file
        target->addDetailRow({name, DecodeCp932(header.firstName), QString::number(header.count),
                              QString::number(file.size()),
                              GeneralDateText(QFileInfo(path).lastModified())});
        file.close();
        ResetAttributes(path);
    }
}

} // namespace hy3
