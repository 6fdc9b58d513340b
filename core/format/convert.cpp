// SPDX-License-Identifier: MIT
#include "format/convert.h"

#include "format/dataerror.h"

namespace hy3 {

namespace {

static_assert(kNewColumns == Columns<150>::kCount);
// Output is handed on in pieces that start small and grow, up to 1 MB, while
// a file keeps filling them: few writes for a large file, little memory for
// a small one, and flat memory for any.
constexpr qsizetype kFirstPiece = 64 * 1024;
constexpr qsizetype kLargestPiece = 1024 * 1024;

Failure checkRange(int value, int last, ColumnRole role)
{
    if (value >= 1 && value <= last)
        return {};
    Failure failure{Cause::ColumnOutOfRange, Action::CheckOptions, 0, value, last};
    failure.column = role;
    return failure;
}

template <typename Record>
void convertAll(DataFileReader &reader, const ColumnOptions &options, const OutputSink &sink)
{
    const qint16 count = reader.count();
    qsizetype pieceSize = kFirstPiece;
    QByteArray piece;
    piece.reserve(pieceSize);
    appendRecordCount(piece, count);
    Record old;
    for (int r = 1; r <= count; ++r) {
        reader.read(old, r);
        appendRecord(piece, mapRecord(old, options));
        if (piece.size() >= pieceSize) {
            sink(piece);
            piece.resize(0);
            pieceSize = qMin(pieceSize * 2, kLargestPiece);
        }
    }
    sink(piece);
}

} // namespace

namespace {

// The result of walking the old columns k = 1..N in order and doing exactly one
// of: TicketNo = old k (k is the ticket column), new[moveTo] = old k (k is the
// move source), new k = old k. Worked out in bulk because it runs for every
// column of every record: a straight copy, then the two exceptions.
template <std::size_t N>
void placeColumns(const std::array<qint16, N> &in, Hy3Record &record, int ticket, int moveFrom, int moveTo)
{
    constexpr int last = static_cast<int>(N);
    auto &out = record.Col.values();
    std::copy(in.begin(), in.end(), out.begin());
    if (ticket >= 1 && ticket <= last) {
        record.TicketNo = in[ticket - 1];
        out[ticket - 1] = 0;
    }
    if (moveFrom >= 1 && moveFrom <= last && moveFrom != ticket) {
        out[moveFrom - 1] = 0;
        // A target that is copied straight later in the walk ends up with its own value.
        const bool copiedLater = moveTo > moveFrom && moveTo <= last && moveTo != ticket;
        if (!copiedLater)
            record.Col(moveTo) = in[moveFrom - 1];
    }
}

int ticketColumnOf(const ColumnOptions &options) { return options.ticketNumber ? options.ticketColumn : 0; }
int moveSourceOf(const ColumnOptions &options) { return options.moveColumn ? options.moveFrom : 0; }

} // namespace

Hy3Record mapRecord(const HyoRecord &old, const ColumnOptions &options)
{
    Hy3Record record;
    record.Name = old.Name;
    placeColumns(old.Col.values(), record, ticketColumnOf(options), moveSourceOf(options), options.moveTo);
    return record;
}

Hy3Record mapRecord(const HypRecord &old, const ColumnOptions &options)
{
    Hy3Record record;
    record.Name = old.Name;
    record.TicketNo = old.TicketNo; // Extra has no place in the new layout
    placeColumns(old.Col.values(), record, 0, moveSourceOf(options), options.moveTo);
    return record;
}

Failure checkOptions(DataKind kind, const ColumnOptions &options)
{
    if (kind == DataKind::Standard && options.ticketNumber) {
        if (const Failure failure = checkRange(options.ticketColumn, kOldColumnChoices, ColumnRole::Ticket))
            return failure;
    }
    if (options.moveColumn) {
        if (const Failure failure = checkRange(options.moveFrom, kOldColumnChoices, ColumnRole::MoveFrom))
            return failure;
        return checkRange(options.moveTo, kNewColumns, ColumnRole::MoveTo);
    }
    return {};
}

void convertRecords(DataKind kind, DataFileReader &reader, const ColumnOptions &options, const OutputSink &sink)
{
    if (const Failure failure = checkOptions(kind, options))
        throw DataError(failure);
    if (kind == DataKind::Standard)
        convertAll<HyoRecord>(reader, options, sink);
    else
        convertAll<HypRecord>(reader, options, sink);
}

QByteArray convertBytes(DataKind kind, QByteArrayView source, const ColumnOptions &options, qint16 &count)
{
    DataFileReader reader(source);
    count = reader.count();
    QByteArray output;
    if (count == 0) {
        appendRecordCount(output, 0);
        return output;
    }
    // Every old record grows by the same number of bytes; a count the source
    // can't hold reserves no more than the source allows.
    const qsizetype oldSize = kind == DataKind::Standard ? 146 : 148;
    const qsizetype records = qMin<qsizetype>(count, source.size() / oldSize + 1);
    output.reserve(source.size() + records * (304 - oldSize));
    convertRecords(kind, reader, options, [&output](QByteArrayView bytes) { output.append(bytes); });
    return output;
}

} // namespace hy3
