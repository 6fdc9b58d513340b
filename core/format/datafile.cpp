// SPDX-License-Identifier: MIT
#include "format/datafile.h"

#include "format/dataerror.h"
#include "files/paths.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <type_traits>

using namespace Qt::StringLiterals;

namespace hy3 {

namespace sys = fs::sys;

namespace {

constexpr qsizetype kMaxTextBytes = 0xFFFF;
// Count, name length and a name of up to 256 bytes: one read for nearly every file.
constexpr std::size_t kHeaderBytes = 260;
// Read-ahead of a conversion: it starts at 64 KB and grows, up to 1 MB, while
// a file keeps filling it. A record is under 66 KB.
constexpr std::size_t kFirstBlock = 64 * 1024;
constexpr std::size_t kLargestBlock = 1024 * 1024;

DataError endsEarly()
{
    return DataError({Cause::Truncated});
}

// The next `size` bytes of a source: from a device into `scratch`, from memory
// or a reader's buffer in place.
const char *bytesFrom(QIODevice &device, char *scratch, qsizetype size)
{
    const qint64 got = device.read(scratch, size);
    if (got < 0)
        throw DataError({Cause::IoError, Action::ReadSource});
    if (got < size)
        throw endsEarly();
    return scratch;
}

template <typename Source>
const char *bytesFrom(Source &source, char *, qsizetype size)
{
    return source.take(size);
}

template <typename Source>
qint16 readInt16(Source &source)
{
    char scratch[2];
    return qFromLittleEndian<qint16>(bytesFrom(source, scratch, 2));
}

// Reads into `text`, reusing its buffer: records are read one after another
// into the same record.
template <typename Source>
void readTextInto(Source &source, QByteArray &text)
{
    // The byte count is unsigned: a text of 32768 bytes or more still reads whole.
    const quint16 length = static_cast<quint16>(readInt16(source));
    text.resize(length);
    if constexpr (std::is_same_v<Source, QIODevice>) {
        (void)bytesFrom(source, text.data(), length);
    } else {
        const char *bytes = source.take(length);
        std::copy(bytes, bytes + length, text.data());
    }
}

template <typename Source, int Count>
void readColumns(Source &source, Columns<Count> &columns)
{
    char scratch[2 * Count];
    qFromLittleEndian<qint16>(bytesFrom(source, scratch, sizeof scratch), Count, columns.values().data());
}

template <typename Source>
void readRecord(Source &source, HyoRecord &record)
{
    readTextInto(source, record.Name);
    readColumns(source, record.Col);
}

template <typename Source>
void readRecord(Source &source, Hy3Record &record)
{
    readTextInto(source, record.Name);
    record.TicketNo = readInt16(source);
    readColumns(source, record.Col);
}

template <typename Source>
void readRecord(Source &source, HypRecord &record)
{
    readTextInto(source, record.Name);
    record.TicketNo = readInt16(source);
    record.Extra = readInt16(source);
    readColumns(source, record.Col);
}

void writeExactly(QIODevice &device, const char *data, qsizetype size)
{
    if (device.write(data, size) != size)
        throw DataError({Cause::IoError, Action::WriteOutput});
}

} // namespace

qsizetype encodedSize(const HyoRecord &record) { return 2 + record.Name.size() + 2 * 72; }
qsizetype encodedSize(const HypRecord &record) { return 2 + record.Name.size() + 4 + 2 * 71; }
qsizetype encodedSize(const Hy3Record &record) { return 2 + record.Name.size() + 2 + 2 * 150; }

const char *ByteCursor::take(qsizetype size)
{
    if (size > m_bytes.size() - m_position)
        throw endsEarly();
    const char *bytes = m_bytes.data() + m_position;
    m_position += size;
    return bytes;
}

qint16 ReadRecordCount(QIODevice &device) { return readInt16(device); }
qint16 ReadRecordCount(ByteCursor &cursor) { return readInt16(cursor); }
QByteArray readText(QIODevice &device)
{
    QByteArray text;
    readTextInto(device, text);
    return text;
}
void ReadRecord(QIODevice &device, HyoRecord &record) { readRecord(device, record); }
void ReadRecord(QIODevice &device, HypRecord &record) { readRecord(device, record); }
void ReadRecord(ByteCursor &cursor, HyoRecord &record) { readRecord(cursor, record); }
void ReadRecord(ByteCursor &cursor, HypRecord &record) { readRecord(cursor, record); }
void ReadRecord(ByteCursor &cursor, Hy3Record &record) { readRecord(cursor, record); }

DataFileHeader readHeader(QIODevice &device)
{
    DataFileHeader header;
    header.count = ReadRecordCount(device);
    if (header.count > 0)
        header.firstName = readText(device);
    return header;
}

// ---- DataFileReader -------------------------------------------------------

DataFileReader::DataFileReader(const sys::Folder &folder, const QString &name, Reading reading)
    : m_reading(reading)
{
    if (const sys::Error error = sys::openForReading(folder, fs::toNative(name), m_file, m_status))
        throw DataError(error.during(Action::OpenSource));
    std::size_t first = reading == Reading::HeaderOnly ? kHeaderBytes : kFirstBlock;
    if (m_status && reading == Reading::Records) // a small file takes a buffer of its size (and one byte to see its end)
        first = static_cast<std::size_t>(std::clamp<std::uint64_t>(m_status->size + 1, kHeaderBytes, kFirstBlock));
    m_buffer.resize(first);
    readCount();
}

DataFileReader::DataFileReader(QByteArrayView bytes)
    : m_memory(ByteCursor(bytes))
{
    readCount();
}

void DataFileReader::readCount()
{
    try {
        m_count = readInt16(*this);
    } catch (const DataError &error) {
        if (error.cause() != Cause::Truncated)
            throw;
        throw DataError({Cause::Truncated, action(), 0, 0}); // too short for the count itself
    }
    if (m_count < 0)
        throw DataError({Cause::NegativeCount, action(), 0, m_count});
}

QByteArray DataFileReader::firstName()
{
    QByteArray name;
    try {
        readTextInto(*this, name);
    } catch (const DataError &error) {
        if (error.cause() != Cause::Truncated)
            throw;
        throw DataError({Cause::Truncated, Action::ReadHeader, 0, 1});
    }
    return name;
}

template <typename Record>
void DataFileReader::readNumbered(Record &record, int number)
{
    try {
        readRecord(*this, record);
        if (number == 1)
            m_firstRecordName = record.Name;
    } catch (const DataError &error) {
        if (error.cause() != Cause::Truncated)
            throw;
        throw DataError({Cause::Truncated, Action::ReadSource, 0, number, m_count});
    }
}

void DataFileReader::read(HyoRecord &record, int number) { readNumbered(record, number); }
void DataFileReader::read(HypRecord &record, int number) { readNumbered(record, number); }
void DataFileReader::read(Hy3Record &record, int number) { readNumbered(record, number); }

sys::Status DataFileReader::status() const
{
    if (!m_status) {
        sys::Status status;
        if (const sys::Error error = sys::statHandle(m_file, status))
            throw DataError(error.during(action()));
        m_status = status;
    }
    return *m_status;
}

void DataFileReader::fill(qsizetype size)
{
    // Keep the unread bytes, at the front.
    if (m_begin > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    const auto needed = static_cast<std::size_t>(size);
    if (m_buffer.size() < needed)
        m_buffer.resize(std::max(needed, kFirstBlock)); // a record with a long name
    else if (m_end == 0 && m_filledWhole && m_buffer.size() < kLargestBlock)
        m_buffer.resize(std::min(m_buffer.size() * 2, kLargestBlock)); // a large file
    while (m_end < needed) {
        std::size_t got = 0;
        if (const sys::Error error = sys::readSome(m_file, m_buffer.data() + m_end, m_buffer.size() - m_end, got))
            throw DataError(error.during(action()));
        if (got == 0)
            break; // the end of the file
        m_end += got;
    }
    m_filledWhole = m_end == m_buffer.size();
}

const char *DataFileReader::take(qsizetype size)
{
    if (m_memory)
        return m_memory->take(size);
    const auto needed = static_cast<std::size_t>(size);
    if (m_end - m_begin < needed)
        fill(size);
    if (m_end - m_begin < needed)
        throw endsEarly();
    const char *bytes = m_buffer.data() + m_begin;
    m_begin += needed;
    return bytes;
}

// ---- writing --------------------------------------------------------------

void appendRecordCount(QByteArray &bytes, qint16 count)
{
    char le[2];
    qToLittleEndian(count, le);
    bytes.append(le, sizeof le);
}

void WriteRecordCount(QIODevice &device, qint16 count)
{
    QByteArray bytes;
    appendRecordCount(bytes, count);
    writeExactly(device, bytes.constData(), bytes.size());
}

void appendRecord(QByteArray &bytes, const Hy3Record &record)
{
    if (record.Name.size() > kMaxTextBytes)
        throw DataError({Cause::NameTooLong, Action::WriteOutput, 0, static_cast<int>(record.Name.size()),
                         static_cast<int>(kMaxTextBytes)});
    const qsizetype start = bytes.size();
    bytes.resize(start + encodedSize(record));
    char *out = bytes.data() + start;
    qToLittleEndian(static_cast<quint16>(record.Name.size()), out);
    out += 2;
    out = std::copy(record.Name.cbegin(), record.Name.cend(), out);
    qToLittleEndian(record.TicketNo, out);
    out += 2;
    qToLittleEndian<qint16>(record.Col.values().data(), record.Col.values().size(), out);
}

void WriteRecord(QIODevice &device, const Hy3Record &record)
{
    // One write per record: the device sees whole records only.
    QByteArray bytes;
    appendRecord(bytes, record);
    writeExactly(device, bytes.constData(), bytes.size());
}

} // namespace hy3
