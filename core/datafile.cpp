// SPDX-License-Identifier: MIT
#include "datafile.h"

#include "dataerror.h"
#include "filesystem.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <type_traits>

using namespace Qt::StringLiterals;

namespace hy3 {

namespace native = fs::native;

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
    return DataError(Cause::Truncated, u"ファイルが途中で終わっています"_s);
}

// The next `size` bytes of a source: from a device into `scratch`, from memory
// or a reader's buffer in place.
const char *bytesFrom(QIODevice &device, char *scratch, qsizetype size)
{
    const qint64 got = device.read(scratch, size);
    if (got < 0)
        throw DataError(Cause::IoError, u"読み込みに失敗しました（%1）"_s.arg(device.errorString()));
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
        throw DataError(Cause::IoError, u"書き込みに失敗しました（%1）"_s.arg(device.errorString()));
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

DataFileReader::DataFileReader(const native::Folder &folder, const QString &name, const QString &path,
                               Reading reading, bool knownRegular)
    : m_path(path)
{
    if (const native::Error error = native::openForReading(folder, fs::toNative(name), knownRegular, m_file))
        throw fs::failure(error, u"「%1」を開けません（%2）"_s, path);
    m_buffer.resize(reading == Reading::HeaderOnly ? kHeaderBytes : kFirstBlock);
    readCount();
}

DataFileReader::DataFileReader(QByteArrayView bytes, const QString &path)
    : m_path(path)
    , m_memory(ByteCursor(bytes))
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
        throw DataError(Cause::Truncated, u"「%1」は短すぎて行数を読み取れません"_s.arg(fs::shown(m_path)));
    }
    if (m_count < 0)
        throw DataError(Cause::NegativeCount, u"「%1」の行数が負の値です（%2）"_s.arg(fs::shown(m_path)).arg(m_count));
}

QByteArray DataFileReader::firstName()
{
    QByteArray name;
    try {
        readTextInto(*this, name);
    } catch (const DataError &error) {
        if (error.cause() != Cause::Truncated)
            throw;
        throw DataError(Cause::Truncated, u"「%1」は短すぎて先頭のレコードを読み取れません"_s.arg(fs::shown(m_path)));
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
        throw DataError(Cause::Truncated, u"「%1」: %2 件目のレコード（全 %3 件）が不完全です（%4）"_s
                                              .arg(fs::shown(m_path))
                                              .arg(number)
                                              .arg(m_count)
                                              .arg(error.message()));
    }
}

void DataFileReader::read(HyoRecord &record, int number) { readNumbered(record, number); }
void DataFileReader::read(HypRecord &record, int number) { readNumbered(record, number); }
void DataFileReader::read(Hy3Record &record, int number) { readNumbered(record, number); }

native::Status DataFileReader::status() const
{
    native::Status status;
    if (const native::Error error = native::statFile(m_file, status))
        throw fs::failure(error, u"「%1」を読み込めません（%2）"_s, m_path);
    return status;
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
        if (const native::Error error = native::readBytes(m_file, m_buffer.data() + m_end, m_buffer.size() - m_end, got))
            throw fs::failure(error, u"「%1」を読み込めません（%2）"_s, m_path);
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
        throw DataError(Cause::NameTooLong, u"名前が長すぎます（%1 バイト、上限 %2 バイト）"_s
                                                .arg(record.Name.size())
                                                .arg(kMaxTextBytes));
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
