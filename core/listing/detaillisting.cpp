// SPDX-License-Identifier: MIT
#include "listing/detaillisting.h"

#include "text/cp932.h"
#include "format/datafile.h"
#include "format/dataerror.h"
#include "files/paths.h"
#include "listing/foldersearch.h"
#include "format/kinds.h"

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

fs::sys::Error resetAttributes(const fs::sys::Folder &folder, const QString &name)
{
    return fs::sys::makeWritable(folder, fs::toNative(name));
}

QString generalDateText(const QDateTime &dateTime)
{
    const QLocale locale = QLocale::system();
    QString text = locale.toString(dateTime.date(), QLocale::ShortFormat);
    if (dateTime.time() != QTime(0, 0))
        text += u' ' + timeWithSeconds(locale, dateTime.time());
    return text;
}

std::optional<DetailFailure> ListHyoFilesWithDetails(const QString &detailFolder, DetailRowTarget *target)
{
    const QString folder = fs::withSeparator(detailFolder);
    const FolderSearch search = searchFolder(folder, searchPattern(DataKind::Standard));
    for (const QStringView found : search.files) {
        const QString name = found.toString();
        const QString path = folder + name;
        try {
            DataFileReader reader(search.folder, name, DataFileReader::Reading::HeaderOnly);
            if (reader.count() == 0)
                continue;
            if (!target)
                return std::nullopt; // no list to fill: stop before touching the file
            const fs::sys::Status status = reader.status();
            target->addDetailRow({fs::shown(name), decodeCp932(reader.firstName()),
                                  QString::number(reader.count()), QString::number(status.size),
                                  generalDateText(QDateTime::fromMSecsSinceEpoch(status.modifiedMs))});
        } catch (const DataError &error) {
            return DetailFailure{error.failure(), path};
        }
        if (const fs::sys::Error error = resetAttributes(search.folder, name))
            return DetailFailure{error.during(Action::MakeWritable), path};
    }
    return std::nullopt;
}

} // namespace hy3
