// SPDX-License-Identifier: MIT
#pragma once

#include "cause.h"
#include "format/kinds.h"

#include <QByteArray>
#include <QDebug>
#include <QString>

namespace hy3 {

// What became of one file of a batch: the only thing the engine hands out,
// once per file, in the order of the jobs.
struct Outcome
{
    enum class Result : std::uint8_t {
        Converted, // written (in a dry run: would be)
        Unchanged, // the output already held exactly these bytes: left as it was
        NoRecords, // the old file holds no record: nothing written
        Kept,      // an output of that name was there and was to be kept
        Failed,
        NotRun, // the batch was stopped before this file
    };

    Result result = Result::Failed;
    Failure failure; // Failed, NotRun
    QString source;
    QString destination;
    DataKind kind = DataKind::Standard;
    int records = 0;
    QByteArray firstName;  // the first record's Name, raw cp932, once read
    bool replaced = false; // an earlier file of the destination's name was (would be) replaced
    QString earlier;       // Clash: the source that was written there before
    QString backup;        // where the earlier output was kept before it was replaced

    friend bool operator==(const Outcome &, const Outcome &) = default;
    friend QDebug operator<<(QDebug debug, const Outcome &outcome)
    {
        const QDebugStateSaver saver(debug);
        debug.nospace() << "Outcome(" << static_cast<int>(outcome.result) << ", cause "
                        << static_cast<int>(outcome.failure.cause) << ", action "
                        << static_cast<int>(outcome.failure.action) << ", " << outcome.source << " -> "
                        << outcome.destination << ", " << outcome.records << " records)";
        return debug;
    }
};

} // namespace hy3
