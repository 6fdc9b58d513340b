// SPDX-License-Identifier: MIT
#include "detaillisting.h"

#include "cp932.h"
#include "datafile.h"
#include "filesystem.h"
#include "folderpath.h"
#include "foldersearch.h"
#include "listing.h"

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

QString generalDateText(const QDateTime &dateTime)
{
    const QLocale locale = QLocale::system();
    QString text = locale.toString(dateTime.date(), QLocale::ShortFormat);
    if (dateTime.time() != QTime(0, 0))
        text += u' ' + timeWithSeconds(locale, dateTime.time());
    return text;
}

void ListHyoFilesWithDetails(const QString &detailFolder, DetailRowTarget *target)
{
    const QString folder = folderWithSeparator(detailFolder);
    const FolderSearch search = searchFolder(folder, searchPattern(DataKind::Standard));
    for (const FoundFile &file : search.files) {
        const QString path = folder + file.name;
        DataFileReader reader(search.folder, file.name, path, DataFileReader::Reading::HeaderOnly, file.listedRegular);
        if (reader.count() == 0)
            continue;
        if (!target)
            return; // no list to fill: stop before touching the file
        const fs::native::Status status = reader.status();
        target->addDetailRow({fs::shown(file.name), decodeCp932(reader.firstName()), QString::number(reader.count()),
                              QString::number(status.size),
                              generalDateText(QDateTime::fromMSecsSinceEpoch(status.modifiedMs))});
        if (const fs::native::Error error = fs::native::makeWritable(search.folder, fs::toNative(file.name)))
            throw fs::failure(error, u"「%1」を書き込み可能にできません（%2）"_s, path);
    }
}

} // namespace hy3
