#include "listing.h"

#include "dataerror.h"
#include "folderpath.h"
#include "foldersearch.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace hy3 {

namespace {

struct ListingFailure
{
    int number;
    QString description;
};

ListingRow readRow(const QString &folder, const QString &fileName)
{
    const QString path = folder + fileName;
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ListingFailure{ListingCannotOpen, u"「%1」を開けません（%2）"_s.arg(shown, file.errorString())};
    DataFileHeader header;
    try {
        header = ReadHeader(file);
    } catch (const DataError &error) {
        if (file.error() != QFileDevice::NoError)
            throw ListingFailure{ListingReadFailed, u"「%1」を読み込めません（%2）"_s.arg(shown, file.errorString())};
        throw ListingFailure{ListingTruncated,
                             u"「%1」は短すぎて先頭のレコードを読み取れません（%2）"_s.arg(shown, error.message())};
    }
    if (header.count < 0)
        throw ListingFailure{ListingNegativeCount, u"「%1」の行数が負の値です（%2）"_s.arg(shown).arg(header.count)};
    return {fileName, header.firstName, header.count};
}

} // namespace

QString SearchPattern(DataKind kind)
{
    return kind == DataKind::Standard ? u"*.hyo"_s : u"*.hyp"_s;
}

DataFileHeader ReadHeader(QIODevice &device)
{
    DataFileHeader header;
    header.count = ReadRecordCount(device);
    if (header.count > 0)
        header.firstName = ReadText(device);
    return header;
}

ListingResult ListDataFiles(const QString &folderText, DataKind kind)
{
    const QString folder = FolderWithSeparator(folderText);
    const QStringList names = FindFiles(folder, SearchPattern(kind));
    ListingResult result;
    if (names.isEmpty())
        return result;

    result.outcome = ListingResult::Outcome::Found;
    for (const QString &name : names) {
        try {
            ListingRow row = readRow(folder, name);
            if (row.recordCount > 0)
                result.rows.append(std::move(row));
        } catch (const ListingFailure &failure) {
            result.outcome = ListingResult::Outcome::Failed;
            result.errorNumber = failure.number;
            result.errorDescription = failure.description;
            break;
        }
    }
    return result;
}

} // namespace hy3
