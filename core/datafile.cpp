#include "datafile.h"

#include "dataerror.h"

#include <QtEndian>

using namespace Qt::StringLiterals;

namespace hy3 {

namespace {

constexpr qsizetype kMaxTextBytes = 0xFFFF;

void readExactly(QIODevice &device, char *data, qsizetype size)
{
    const qint64 got = device.read(data, size);
    if (got < 0)
        throw DataError(u"読み込みに失敗しました（%1）"_s.arg(device.errorString()));
    if (got < size)
        throw DataError(u"ファイルが途中で終わっています"_s);
}

void readExactly(ByteCursor &cursor, char *data, qsizetype size)
{
    const char *bytes = cursor.take(size);
    std::copy(bytes, bytes + size, data);
}

void writeExactly(QIODevice &device, const char *data, qsizetype size)
{
    if (device.write(data, size) != size)
        throw DataError(u"書き込みに失敗しました（%1）"_s.arg(device.errorString()));
}

template <typename Source>
qint16 readInt16(Source &source)
{
    char bytes[2];
    readExactly(source, bytes, sizeof bytes);
    return qFromLittleEndian<qint16>(bytes);
}

// Reads into `text`, reusing its buffer: records are read one after another
// into the same record.
template <typename Source>
void readText(Source &source, QByteArray &text)
{
    // The byte count is unsigned: a text of 32768 bytes or more still reads whole.
    const quint16 length = static_cast<quint16>(readInt16(source));
    text.resize(length);
    readExactly(source, text.data(), length);
}

template <typename Source, int Count>
void readColumns(Source &source, Columns<Count> &columns)
{
    char bytes[2 * Count];
    readExactly(source, bytes, sizeof bytes);
    qFromLittleEndian<qint16>(bytes, Count, columns.values().data());
}

template <typename Source>
void readRecord(Source &source, HyoRecord &record)
{
    readText(source, record.Name);
    readColumns(source, record.Col);
}

template <typename Source>
void readRecord(Source &source, HypRecord &record)
{
    readText(source, record.Name);
    record.TicketNo = readInt16(source);
    record.Extra = readInt16(source);
    readColumns(source, record.Col);
}

} // namespace

qsizetype EncodedSize(const HyoRecord &record) { return 2 + record.Name.size() + 2 * 72; }
qsizetype EncodedSize(const HypRecord &record) { return 2 + record.Name.size() + 4 + 2 * 71; }
qsizetype EncodedSize(const Hy3Record &record) { return 2 + record.Name.size() + 2 + 2 * 150; }

const char *ByteCursor::take(qsizetype size)
{
    if (size > m_bytes.size() - m_position)
        throw DataError(u"ファイルが途中で終わっています"_s);
    const char *bytes = m_bytes.data() + m_position;
    m_position += size;
    return bytes;
}

qint16 ReadRecordCount(QIODevice &device) { return readInt16(device); }
qint16 ReadRecordCount(ByteCursor &cursor) { return readInt16(cursor); }
QByteArray ReadText(QIODevice &device)
{
    QByteArray text;
    readText(device, text);
    return text;
}
void ReadRecord(QIODevice &device, HyoRecord &record) { readRecord(device, record); }
void ReadRecord(QIODevice &device, HypRecord &record) { readRecord(device, record); }
void ReadRecord(ByteCursor &cursor, HyoRecord &record) { readRecord(cursor, record); }
void ReadRecord(ByteCursor &cursor, HypRecord &record) { readRecord(cursor, record); }

void AppendRecordCount(QByteArray &bytes, qint16 count)
{
    char le[2];
    qToLittleEndian(count, le);
    bytes.append(le, sizeof le);
}

void WriteRecordCount(QIODevice &device, qint16 count)
{
    QByteArray bytes;
    AppendRecordCount(bytes, count);
    writeExactly(device, bytes.constData(), bytes.size());
}

void AppendRecord(QByteArray &bytes, const Hy3Record &record)
{
    if (record.Name.size() > kMaxTextBytes)
        throw DataError(u"名前が長すぎます（%1 バイト、上限 %2 バイト）"_s
                            .arg(record.Name.size())
                            .arg(kMaxTextBytes));
    const qsizetype start = bytes.size();
    bytes.resize(start + EncodedSize(record));
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
    AppendRecord(bytes, record);
    writeExactly(device, bytes.constData(), bytes.size());
}

} // namespace hy3
