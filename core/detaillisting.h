// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace hy3 {

// Receives the five texts of one row: file name, first Name, record count,
// length in bytes, last-modified time.
class DetailRowTarget
{
public:
    virtual ~DetailRowTarget() = default;
    virtual void addDetailRow(const QStringList &texts) = 0;
};

// Short date, then the time unless it is exactly midnight, in the system locale.
[[nodiscard]] QString generalDateText(const QDateTime &dateTime);

// Walks the .hyo files of a folder (whatever kind is chosen); for each file with
// records adds a row to the target and then makes the file writable by its
// owner (clears its read-only state). Files without records are opened, closed
// and left alone. Without a target the walk stops at the first file with
// records, before touching it. Throws DataError for a file that can't be read.
void ListHyoFilesWithDetails(const QString &detailFolder, DetailRowTarget *target);

} // namespace hy3
