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

void writeExactly(QIODevice &device, const char *data, qsizetype size)
{
    if (device.write(data, size) != size)
        throw DataError(u"書き込みに失敗しました（%1）"_s.arg(device.errorString()));
}

qint16 readInt16(QIODevice &device)
{
    char bytes[2];
    readExactly(device, bytes, sizeof bytes);
    return qFromLittleEndian<qint16>(bytes);
}

template <int Count>
void readColumns(QIODevice &device, Columns<Count> &columns)
{
    char bytes[2 * Count];
    readExactly(device, bytes, sizeof bytes);
    for (int k = 1; k <= Count; ++k)
        columns(k) = qFromLittleEndian<qint16>(bytes + 2 * (k - 1));
}

} // namespace

qsizetype EncodedSize(const HyoRecord &record) { return 2 + record.Name.size() + 2 * 72; }
qsizetype EncodedSize(const HypRecord &record) { return 2 + record.Name.size() + 4 + 2 * 71; }
qsizetype EncodedSize(const Hy3Record &record) { return 2 + record.Name.size() + 2 + 2 * 150; }

qint16 ReadRecordCount(QIODevice &device)
{
    return readInt16(device);
}

QByteArray ReadText(QIODevice &device)
{
    // The byte count is unsigned: a text of 32768 bytes or more still reads whole.
    const quint16 length = static_cast<quint16>(readInt16(device));
    QByteArray text(length, Qt::Uninitialized);
    readExactly(device, text.data(), length);
    return text;
}

void ReadRecord(QIODevice &device, HyoRecord &record)
{
    record.Name = ReadText(device);
    readColumns(device, record.Col);
}

void ReadRecord(QIODevice &device, HypRecord &record)
{
    record.Name = ReadText(device);
    record.TicketNo = readInt16(device);
    record.Extra = readInt16(device);
    readColumns(device, record.Col);
}

void WriteRecordCount(QIODevice &device, qint16 count)
{
    char bytes[2];
    qToLittleEndian(count, bytes);
    writeExactly(device, bytes, sizeof bytes);
}

void WriteRecord(QIODevice &device, const Hy3Record &record)
{
    if (record.Name.size() > kMaxTextBytes)
        throw DataError(u"名前が長すぎます（%1 バイト、上限 %2 バイト）"_s
                            .arg(record.Name.size())
                            .arg(kMaxTextBytes));
    // One write per record: the device sees whole records only.
    QByteArray bytes(EncodedSize(record), Qt::Uninitialized);
    char *out = bytes.data();
    qToLittleEndian(static_cast<quint16>(record.Name.size()), out);
    out += 2;
    std::copy(record.Name.cbegin(), record.Name.cend(), out);
    out += record.Name.size();
    qToLittleEndian(record.TicketNo, out);
    out += 2;
    for (int k = 1; k <= 150; ++k, out += 2)
        qToLittleEndian(record.Col(k), out);
    writeExactly(device, bytes.constData(), bytes.size());
}

} // namespace hy3
