// SPDX-License-Identifier: MIT
#pragma once

#include "cause.h"
#include "format/datafile.h"

#include <QByteArrayView>
#include <QString>

#include <functional>

namespace hy3 {

// The two column options of the file list page, as the numbers the user sees.
struct ColumnOptions
{
    bool ticketNumber = false; // move an old column into TicketNo (standard data only)
    int ticketColumn = 1;      // old column 1..72
    bool moveColumn = false;   // move one old column to another new column
    int moveFrom = 1;          // old column 1..72
    int moveTo = 1;            // new column 1..150
};

// Column mapping of one record. Per old column k, in increasing order, exactly
// one of: TicketNo takes it (ticket option, standard data only), the move
// target takes it (move option), or new column k takes it. A later write to
// the same new column replaces an earlier one.
[[nodiscard]] Hy3Record mapRecord(const HyoRecord &old, const ColumnOptions &options);
[[nodiscard]] Hy3Record mapRecord(const HypRecord &old, const ColumnOptions &options);

// The failure (ColumnOutOfRange) when an option that is on names a column
// outside its range, for that kind; none otherwise.
[[nodiscard]] Failure checkOptions(DataKind kind, const ColumnOptions &options);

// Receives the bytes of a .hy3 file in order, in pieces of about 64 KB.
using OutputSink = std::function<void(QByteArrayView bytes)>;

// Maps every record of an opened old file (count above zero) and hands the new
// file's bytes to `sink`, the count first. Nothing reaches the sink when the
// options are out of range (DataError, ColumnOutOfRange); a record cut short
// throws DataError naming the record, after the bytes of the records before it.
void convertRecords(DataKind kind, DataFileReader &reader, const ColumnOptions &options, const OutputSink &sink);

// The bytes of the .hy3 file made from the bytes of an old file; `count`
// receives the record count (0: no file is to be written). Throws DataError.
[[nodiscard]] QByteArray convertBytes(DataKind kind, QByteArrayView source, const ColumnOptions &options,
                                      qint16 &count);

} // namespace hy3
