// SPDX-License-Identifier: MIT
#pragma once

#include "cause.h"
#include "fs/sys.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace hy3 {

// Receives the five texts of one row: file name, first Name, record count,
// length in bytes, last-modified time.
class DetailRowTarget
{
public:
    virtual ~DetailRowTarget() = default;
    virtual void addDetailRow(const QStringList &texts) = 0;
};

// The finishing step's attribute reset of a listed file: its read-only state
// cleared, so that its owner may write it.
[[nodiscard]] fs::sys::Error resetAttributes(const fs::sys::Folder &folder, const QString &name);

// Short date, then the time unless it is exactly midnight, in the system locale.
[[nodiscard]] QString generalDateText(const QDateTime &dateTime);

// Where the walk stopped on a failure, if it did.
struct DetailFailure
{
    Failure failure;
    QString path;
};

// Walks the .hyo files of a folder (whatever kind is chosen); for each file with
// records adds a row to the target and then resets its attributes (see
// resetAttributes). Files without records are opened, closed
// and left alone. Without a target the walk stops at the first file with
// records, before touching it. A file that can't be read stops the walk.
[[nodiscard]] std::optional<DetailFailure> ListHyoFilesWithDetails(const QString &detailFolder,
                                                                  DetailRowTarget *target);

} // namespace hy3
