// SPDX-License-Identifier: MIT
#pragma once

#include "cause.h"
#include "format/kinds.h"

#include <QByteArray>
#include <QDebug>
#include <QList>
#include <QString>

namespace hy3 {

// What the file list shows of one data file.
struct ListingRow
{
    QString fileName;     // with extension, without folder: the real name the conversion opens
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
    ListingOutOfMemory = 7,
    ListingCannotOpen = 53,    // the file or folder is not there
    ListingNegativeCount = 54, // the record count is below zero, or not a plain file
    ListingReadFailed = 57,    // the medium reported an error
    ListingTruncated = 62,     // the file ends before its first record does
    ListingTooManyFiles = 67,
    ListingNoPermission = 70,
    ListingAccessError = 75, // any other cause
};

// The listing's number for a cause; the one place they are mapped.
[[nodiscard]] int listingErrorNumber(Cause cause);

struct ListingResult
{
    enum class Outcome { Found, NotFound, Failed };

    Outcome outcome = Outcome::NotFound;
    QList<ListingRow> rows; // on failure: the rows read before it
    Failure failure;        // Failed: why
    QString failedPath;     // Failed: the file, or the folder itself
};

// Lists the data files of one kind in a folder (taken as it stands): one row
// per file with records, in enumeration order, from each file's header alone.
// Found may hold no row (all files empty); NotFound means no name matched,
// also for a folder that does not exist; Failed stops at the first file that
// cannot be read and keeps the rows before it, or says why the folder itself
// can't be read (Action::OpenFolder; InvalidName for a folder text that holds
// U+FFFD, the mark of characters lost on the way).
[[nodiscard]] ListingResult listDataFiles(const QString &folder, DataKind kind);

} // namespace hy3
