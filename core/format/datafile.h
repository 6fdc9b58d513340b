// SPDX-License-Identifier: MIT
#pragma once

#include "fs/sys.h"
#include "format/kinds.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>
#include <stdexcept>
#include <vector>

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
[[nodiscard]] qsizetype encodedSize(const HyoRecord &record);
[[nodiscard]] qsizetype encodedSize(const HypRecord &record);
[[nodiscard]] qsizetype encodedSize(const Hy3Record &record);

// The readers throw DataError: Truncated when the bytes end early, IoError
// when the device fails.

// Reads the signed 16-bit record count at the current position (offset 0).
[[nodiscard]] qint16 ReadRecordCount(QIODevice &device);

// Reads a 16-bit byte count and that many bytes: the Name every layout starts with.
[[nodiscard]] QByteArray readText(QIODevice &device);

void ReadRecord(QIODevice &device, HyoRecord &record);
void ReadRecord(QIODevice &device, HypRecord &record);

// A read position in bytes already in memory; the same rules as the device
// readers.
class ByteCursor
{
public:
    explicit ByteCursor(QByteArrayView bytes) : m_bytes(bytes) {}

    // Throws DataError (Truncated) when fewer than `size` bytes are left.
    const char *take(qsizetype size);

private:
    QByteArrayView m_bytes;
    qsizetype m_position = 0;
};

[[nodiscard]] qint16 ReadRecordCount(ByteCursor &cursor);
void ReadRecord(ByteCursor &cursor, HyoRecord &record);
void ReadRecord(ByteCursor &cursor, HypRecord &record);
// .hy3 files are only written by the conversion; this is for looking inside them.
void ReadRecord(ByteCursor &cursor, Hy3Record &record);

// The record count and, when it is above zero, the first record's Name. Every
// layout starts the same way, so they read alike for all kinds.
struct DataFileHeader
{
    qint16 count = 0;
    QByteArray firstName;
};
[[nodiscard]] DataFileHeader readHeader(QIODevice &device);

// One old data file opened for reading, its record count read. The one place
// that opens a data file and reads its header, for the listings and the
// conversions alike. Every failure is a DataError whose Failure says what
// was being done (OpenSource, ReadHeader, ReadSource) and why.
class DataFileReader
{
public:
    // HeaderOnly reads no further ahead than the first Name needs; Records
    // reads ahead in large blocks for walking every record.
    enum class Reading { HeaderOnly, Records };

    // `folder` holds the file `name` (see paths.h). Throws DataError: can't
    // open, not a plain file, too short for the count, negative count.
    DataFileReader(const fs::sys::Folder &folder, const QString &name, Reading reading);
    // The same over bytes already in memory, which must outlive the reader.
    explicit DataFileReader(QByteArrayView bytes);

    [[nodiscard]] qint16 count() const { return m_count; }

    // The first record's Name; only when count() is above zero.
    [[nodiscard]] QByteArray firstName();
    // The next record, for the conversions. Throws DataError naming the record.
    void read(HyoRecord &record, int number);
    void read(HypRecord &record, int number);
    void read(Hy3Record &record, int number);
    // The Name of record 1 once read() has read it.
    [[nodiscard]] const QByteArray &firstRecordName() const { return m_firstRecordName; }
    // Size, modification time and identity of the open file, as it was opened.
    [[nodiscard]] fs::sys::Status status() const;

    // The next `size` bytes; throws DataError (Truncated, cause only) at the end.
    const char *take(qsizetype size);

private:
    template <typename Record>
    void readNumbered(Record &record, int number);
    void readCount();
    void fill(qsizetype size);

    [[nodiscard]] Action action() const { return m_reading == Reading::HeaderOnly ? Action::ReadHeader : Action::ReadSource; }

    fs::sys::Handle m_file;
    Reading m_reading = Reading::Records;
    std::optional<ByteCursor> m_memory;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_filledWhole = false; // the last read filled the buffer: the file is larger
    mutable std::optional<fs::sys::Status> m_status; // as it was opened, once known
    QByteArray m_firstRecordName;
    qint16 m_count = 0;
};

// The writers throw DataError when the device does not take every byte.
void WriteRecordCount(QIODevice &device, qint16 count);
void WriteRecord(QIODevice &device, const Hy3Record &record);

// Append the bytes WriteRecordCount and WriteRecord would write, for building
// output in memory.
void appendRecordCount(QByteArray &bytes, qint16 count);
void appendRecord(QByteArray &bytes, const Hy3Record &record);

} // namespace hy3
