#pragma once

#include "convert.h"

#include <QByteArray>
#include <QDebug>
#include <QIODevice>
#include <QList>
#include <QString>

namespace hy3 {

// What the file list shows of one data file.
struct ListingRow
{
    QString fileName;     // with extension, without folder: the conversion's key
    QByteArray firstName; // the first record's Name, raw cp932
    int recordCount = 0;

    friend bool operator==(const ListingRow &, const ListingRow &) = default;
    friend QDebug operator<<(QDebug debug, const ListingRow &row)
    {
        QDebugStateSaver saver(debug);
        debug.nospace() << "ListingRow(" << row.fileName << ", " << row.firstName.toHex(' ') << ", "
                        << row.recordCount << ')';
        return debug;
    }
};

// Error numbers of the listing, shown to the user as "number:description".
enum ListingError {
    ListingCannotOpen = 53,     // the file cannot be opened
    ListingNegativeCount = 54,  // the record count is below zero
    ListingTruncated = 62,      // the file ends before its first record does
    ListingReadFailed = 57,     // the device reported a read error
};

struct ListingResult
{
    enum class Outcome { Found, NotFound, Failed };

    Outcome outcome = Outcome::NotFound;
    QList<ListingRow> rows; // on failure: the rows read before it
    int errorNumber = 0;
    QString errorDescription;
};

// What the user is told when a folder holds no data file of the chosen kind.
inline constexpr char16_t kNotFoundPrompt[] = u"指定したフォルダ(ドライブ)からは、データファイルは発見されませんでした。";

// "*.hyo" or "*.hyp".
[[nodiscard]] QString SearchPattern(DataKind kind);

// The record count and, when it is above zero, the first record's Name. Every
// layout starts the same way, so this reads all kinds alike. Throws DataError
// with the cause only.
struct DataFileHeader
{
    qint16 count = 0;
    QByteArray firstName;
};
[[nodiscard]] DataFileHeader ReadHeader(QIODevice &device);

// Lists the data files of one kind in a folder: one row per file with records,
// in enumeration order. Found may hold no row (all files empty); NotFound means
// no name matched, also for a folder that does not exist; Failed stops at the
// first file that cannot be read and keeps the rows before it.
[[nodiscard]] ListingResult ListDataFiles(const QString &folderText, DataKind kind);

} // namespace hy3
