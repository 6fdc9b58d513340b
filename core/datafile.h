#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QtGlobal>

#include <array>
#include <stdexcept>

namespace hy3 {

// Column values addressed by the numbers the user sees, 1..Count, so that an
// off-by-one shows up as an exception instead of a shifted column.
template <int Count>
class Columns
{
public:
    static constexpr int kCount = Count;

    [[nodiscard]] qint16 &operator()(int column) { return m_values.at(indexOf(column)); }
    [[nodiscard]] qint16 operator()(int column) const { return m_values.at(indexOf(column)); }

    // All values in column order, for reading and writing them in one go.
    [[nodiscard]] std::array<qint16, Count> &values() { return m_values; }
    [[nodiscard]] const std::array<qint16, Count> &values() const { return m_values; }

    friend bool operator==(const Columns &, const Columns &) = default;

private:
    static std::size_t indexOf(int column)
    {
        if (column < 1 || column > Count)
            throw std::out_of_range("column number outside 1..Count");
        return static_cast<std::size_t>(column - 1);
    }

    std::array<qint16, Count> m_values{};
};

// Old standard data (.hyo): Name, then columns 1..72.
struct HyoRecord
{
    QByteArray Name; // raw cp932 bytes, carried byte for byte
    Columns<72> Col;

    friend bool operator==(const HyoRecord &, const HyoRecord &) = default;
};

// Old private data (.hyp): Name, TicketNo, Extra, then columns 1..71.
struct HypRecord
{
    QByteArray Name;
    qint16 TicketNo = 0;
    qint16 Extra = 0;
    Columns<71> Col;

    friend bool operator==(const HypRecord &, const HypRecord &) = default;
};

// Version 3 data (.hy3): Name, TicketNo, then columns 1..150.
struct Hy3Record
{
    QByteArray Name;
    qint16 TicketNo = 0;
    Columns<150> Col;

    friend bool operator==(const Hy3Record &, const Hy3Record &) = default;
};

// Bytes one record takes on disk, for sizing buffers.
[[nodiscard]] qsizetype EncodedSize(const HyoRecord &record);
[[nodiscard]] qsizetype EncodedSize(const HypRecord &record);
[[nodiscard]] qsizetype EncodedSize(const Hy3Record &record);

// The readers throw DataError with the cause only ("the file ends early", "read
// failed: ..."); callers add the file name and the record number.

// Reads the signed 16-bit record count at the current position (offset 0).
[[nodiscard]] qint16 ReadRecordCount(QIODevice &device);

// Reads a 16-bit byte count and that many bytes: the Name every layout starts with.
[[nodiscard]] QByteArray ReadText(QIODevice &device);

void ReadRecord(QIODevice &device, HyoRecord &record);
void ReadRecord(QIODevice &device, HypRecord &record);

// A read position in bytes already in memory. The readers below follow the
// same rules as the device readers; the conversions use them because a whole
// source is read at once.
class ByteCursor
{
public:
    explicit ByteCursor(QByteArrayView bytes) : m_bytes(bytes) {}

    // Throws DataError when fewer than `size` bytes are left.
    const char *take(qsizetype size);

private:
    QByteArrayView m_bytes;
    qsizetype m_position = 0;
};

[[nodiscard]] qint16 ReadRecordCount(ByteCursor &cursor);
void ReadRecord(ByteCursor &cursor, HyoRecord &record);
void ReadRecord(ByteCursor &cursor, HypRecord &record);

// The writers throw DataError when the device does not take every byte.
void WriteRecordCount(QIODevice &device, qint16 count);
void WriteRecord(QIODevice &device, const Hy3Record &record);

// Append the bytes WriteRecordCount and WriteRecord would write, for building a
// whole file in memory.
void AppendRecordCount(QByteArray &bytes, qint16 count);
void AppendRecord(QByteArray &bytes, const Hy3Record &record);

} // namespace hy3
