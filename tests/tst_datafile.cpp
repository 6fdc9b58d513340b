// SPDX-License-Identifier: MIT
#include "text/cp932.h"
#include "format/dataerror.h"
#include "format/datafile.h"
#include "listing/listing.h"
#include "testdata.h"

#include <QBuffer>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace hy3;

class TestDataFile : public QObject
{
    Q_OBJECT

private slots:
    void hy3Bytes_data();
    void hy3Bytes();
    void readsOldLayouts();
    void columnExtremesRoundTrip();
    void truncatedInput_data();
    void truncatedInput();
    void headerReadsEveryKindAlike();
    void columnNumbersAreChecked();
    void cp932_data();
    void cp932();
    void oversizedNameRefused();
};

static QByteArray writeRecords(const QList<Hy3Record> &records)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteRecordCount(buffer, static_cast<qint16>(records.size()));
    for (const auto &record : records)
        WriteRecord(buffer, record);
    return bytes;
}

void TestDataFile::hy3Bytes_data()
{
    QTest::addColumn<QList<Hy3Record>>("records");
    QTest::addColumn<QByteArray>("expected");

    Hy3Record letterA;
    letterA.Name = "A";
    letterA.TicketNo = 3;
    letterA.Col(1) = 120;
    QTest::addRow("name A, ticket 3, column 1 = 120")
        << QList<Hy3Record>{letterA}
        << QByteArray::fromHex("0100" "0100" "41" "0300" "7800") + QByteArray(298, '\0');

    Hy3Record fare;
    fare.Name = encodeCp932(u"運賃");
    QTest::addRow("運賃 counts bytes, not characters")
        << QList<Hy3Record>{fare} << QByteArray::fromHex("0100" "0400" "895E92C0" "0000") + QByteArray(300, '\0');

    QTest::addRow("empty name") << QList<Hy3Record>{Hy3Record{}}
                                << QByteArray::fromHex("0100" "0000" "0000") + QByteArray(300, '\0');

    Hy3Record last;
    last.Col(150) = -2;
    QTest::addRow("column 150 is the last two bytes")
        << QList<Hy3Record>{last} << QByteArray::fromHex("0100" "0000" "0000") + QByteArray(298, '\0') + "\xFE\xFF";
    QTest::addRow("no records") << QList<Hy3Record>{} << QByteArray::fromHex("0000");
}

void TestDataFile::hy3Bytes()
{
    QFETCH(QList<Hy3Record>, records);
    QFETCH(QByteArray, expected);
    QCOMPARE(writeRecords(records).toHex(' '), expected.toHex(' '));
}

void TestDataFile::readsOldLayouts()
{
    // An empty-named .hyo record is 146 bytes, so a one-record file is 148.
    const QByteArray oneEmpty = testdata::encode(QList<HyoRecord>{HyoRecord{}});
    QCOMPARE(oneEmpty.size(), 148);

    const HyoRecord hyo = testdata::hyoRecord("ABC", 100);
    QByteArray hyoBytes = testdata::encode(QList<HyoRecord>{hyo}) + "trailing bytes are ignored";
    QBuffer hyoBuffer(&hyoBytes);
    hyoBuffer.open(QIODevice::ReadOnly);
    QCOMPARE(ReadRecordCount(hyoBuffer), 1);
    HyoRecord readHyo;
    ReadRecord(hyoBuffer, readHyo);
    QCOMPARE(readHyo, hyo);

    const HypRecord hyp = testdata::hypRecord("AB", 7, 42, -9);
    QByteArray hypBytes = testdata::encode(QList<HypRecord>{hyp, hyp});
    QCOMPARE(hypBytes.size(), 2 + 2 * (148 + 2));
    QBuffer hypBuffer(&hypBytes);
    hypBuffer.open(QIODevice::ReadOnly);
    QCOMPARE(ReadRecordCount(hypBuffer), 2);
    for (int i = 0; i < 2; ++i) {
        HypRecord readHyp;
        ReadRecord(hypBuffer, readHyp);
        QCOMPARE(readHyp, hyp);
    }
}

void TestDataFile::columnExtremesRoundTrip()
{
    Hy3Record record;
    record.Col(1) = -1;
    record.Col(2) = 32767;
    record.Col(3) = -32768;
    const QByteArray bytes = writeRecords({record});
    QCOMPARE(bytes.mid(6, 6), QByteArray::fromHex("FFFF" "FF7F" "0080"));

    HyoRecord old;
    old.Col(70) = -1;
    old.Col(71) = 32767;
    old.Col(72) = -32768;
    QByteArray oldBytes = testdata::encode(QList<HyoRecord>{old});
    QBuffer buffer(&oldBytes);
    buffer.open(QIODevice::ReadOnly);
    (void)ReadRecordCount(buffer);
    HyoRecord back;
    ReadRecord(buffer, back);
    QCOMPARE(back, old);
}

void TestDataFile::truncatedInput_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray whole = testdata::encode(QList<HyoRecord>{testdata::hyoRecord("NAME")});
    QTest::addRow("empty") << QByteArray();
    QTest::addRow("one count byte") << QByteArray("\x01", 1);
    QTest::addRow("no name length") << whole.left(2);
    QTest::addRow("name cut short") << whole.left(7);
    QTest::addRow("last column cut") << whole.chopped(1);
    QTest::addRow("name length beyond end") << QByteArray::fromHex("0100" "FFFF" "41");
}

void TestDataFile::truncatedInput()
{
    QFETCH(QByteArray, bytes);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QVERIFY_THROWS_EXCEPTION(DataError, {
        (void)ReadRecordCount(buffer);
        HyoRecord record;
        ReadRecord(buffer, record);
    });
}

void TestDataFile::headerReadsEveryKindAlike()
{
    QByteArray hyo = testdata::encode(QList<HyoRecord>{testdata::hyoRecord("SAME")});
    QByteArray hyp = testdata::encode(QList<HypRecord>{testdata::hypRecord("SAME")});
    QBuffer a(&hyo), b(&hyp);
    a.open(QIODevice::ReadOnly);
    b.open(QIODevice::ReadOnly);
    const DataFileHeader ha = readHeader(a);
    const DataFileHeader hb = readHeader(b);
    QCOMPARE(ha.count, 1);
    QCOMPARE(ha.firstName, QByteArray("SAME"));
    QCOMPARE(hb.count, ha.count);
    QCOMPARE(hb.firstName, ha.firstName);
}

void TestDataFile::columnNumbersAreChecked()
{
    HyoRecord record;
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, (void)record.Col(0));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, (void)record.Col(73));
    Hy3Record next;
    next.Col(150) = 1;
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, next.Col(151) = 1);
}

void TestDataFile::cp932_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addRow("運賃") << u"運賃"_s << QByteArray::fromHex("895E92C0");
    QTest::addRow("ASCII") << u"ABC 123"_s << QByteArray("ABC 123");
    QTest::addRow("half-width katakana") << u"ｶﾅ"_s << QByteArray::fromHex("B6C5");
    QTest::addRow("wave dash") << u"～"_s << QByteArray::fromHex("8160");
    QTest::addRow("NEC circled one") << u"①"_s << QByteArray::fromHex("8740");
}

void TestDataFile::cp932()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(encodeCp932(text).toHex(), bytes.toHex());
    QCOMPARE(decodeCp932(bytes), text);
}

void TestDataFile::oversizedNameRefused()
{
    Hy3Record record;
    record.Name = QByteArray(0x10000, 'x');
    QVERIFY_THROWS_EXCEPTION(DataError, writeRecords({record}));
    // The largest length the field holds still goes through whole.
    record.Name = QByteArray(0xFFFF, 'x');
    QByteArray bytes = writeRecords({record});
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QCOMPARE(readHeader(buffer).firstName.size(), 0xFFFF);
}

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
