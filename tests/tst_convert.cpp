// SPDX-License-Identifier: MIT
#include "format/dataerror.h"
#include "messages.h"
#include "testdata.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace hy3;

using Overrides = QMap<int, int>; // new column -> expected value

class TestConvert : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void standardMapping_data();
    void standardMapping();
    void mappingMatchesTheColumnWalk();
    void privateMapping_data();
    void privateMapping();
    void paths_data();
    void paths();
    void badInput_data();
    void badInput();
    void longerDestinationReplacedExactly();
    void emptySourceWritesNothing_data();
    void emptySourceWritesNothing();
    void largeFilesConvertCompletely_data();
    void largeFilesConvertCompletely();
    void namesCarriedByteForByte();

private:
    QString srcDir() const { return m_tmp->src(); }
    QString dstDir() const { return m_tmp->dst(); }
    QStringList dstEntries() const { return QDir(dstDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); }

    std::unique_ptr<testdata::Workspace> m_tmp;
};

void TestConvert::init()
{
    m_tmp = std::make_unique<testdata::Workspace>();
    QVERIFY(m_tmp->isValid());
}

static ColumnOptions options(bool ticket, int ticketColumn, bool move, int from, int to)
{
    return {ticket, ticketColumn, move, from, to};
}

// The record every old column k of which holds 100 + k, mapped straight and then changed by the overrides.
static Hy3Record expectedRecord(const QByteArray &name, int oldColumns, int ticketNo, const Overrides &overrides)
{
    Hy3Record record;
    record.Name = name;
    record.TicketNo = static_cast<qint16>(ticketNo);
    for (int k = 1; k <= oldColumns; ++k)
        record.Col(k) = static_cast<qint16>(100 + k);
    for (auto it = overrides.cbegin(); it != overrides.cend(); ++it)
        record.Col(it.key()) = static_cast<qint16>(it.value());
    return record;
}

void TestConvert::standardMapping_data()
{
    QTest::addColumn<ColumnOptions>("options");
    QTest::addColumn<int>("ticketNo");
    QTest::addColumn<Overrides>("overrides");

    QTest::addRow("both off") << options(false, 5, false, 3, 100) << 0 << Overrides{};
    QTest::addRow("ticket from 5 moves, not copies") << options(true, 5, false, 1, 1) << 105 << Overrides{{5, 0}};
    QTest::addRow("ticket wins over a move of the same column")
        << options(true, 5, true, 5, 100) << 105 << Overrides{{5, 0}};
    QTest::addRow("move 3 to 100") << options(false, 1, true, 3, 100) << 0 << Overrides{{3, 0}, {100, 103}};
    QTest::addRow("move 3 to 2 replaces column 2") << options(false, 1, true, 3, 2) << 0 << Overrides{{2, 103}, {3, 0}};
    QTest::addRow("move 3 to 5 is replaced by the later copy of 5")
        << options(false, 1, true, 3, 5) << 0 << Overrides{{3, 0}};
    QTest::addRow("move 3 to 5 while 5 is the ticket column")
        << options(true, 5, true, 3, 5) << 105 << Overrides{{3, 0}, {5, 103}};
    QTest::addRow("move 3 to 3 is no move") << options(false, 1, true, 3, 3) << 0 << Overrides{};
    QTest::addRow("move 72 to 150") << options(false, 1, true, 72, 150) << 0 << Overrides{{72, 0}, {150, 172}};
    QTest::addRow("ticket 72 and move 1 to 150")
        << options(true, 72, true, 1, 150) << 172 << Overrides{{1, 0}, {72, 0}, {150, 101}};
    QTest::addRow("options off ignore out-of-range columns")
        << options(false, 0, false, 99, 999) << 0 << Overrides{};
}

void TestConvert::standardMapping()
{
    QFETCH(ColumnOptions, options);
    QFETCH(int, ticketNo);
    QFETCH(Overrides, overrides);

    const QList<HyoRecord> records{testdata::hyoRecord("ONE", 100), testdata::hyoRecord("TWO", 100)};
    const QString source = srcDir() + u"/ABC.hyo"_s;
    testdata::writeFile(source, testdata::encode(records));
    const auto before = testdata::snapshot(source);

    QCOMPARE(testdata::convertFile(DataKind::Standard, pathsFor(srcDir(), dstDir(), u"ABC.hyo"_s), options).records, 2);

    const QByteArray expected = testdata::encodeHy3(
        {expectedRecord("ONE", 72, ticketNo, overrides), expectedRecord("TWO", 72, ticketNo, overrides)});
    QCOMPARE(testdata::readFile(dstDir() + u"/ABC.hy3"_s).toHex(' '), expected.toHex(' '));
    QCOMPARE(testdata::snapshot(source), before);
}

// The mapping as the old columns are walked one by one, the plainest reading of
// the rules, against which the library's bulk mapping is checked for many options.
template <typename Record>
static Hy3Record walkColumns(const Record &old, int columns, int ticket, int moveFrom, int moveTo)
{
    Hy3Record record;
    record.Name = old.Name;
    if constexpr (std::is_same_v<Record, HypRecord>)
        record.TicketNo = old.TicketNo;
    for (int k = 1; k <= columns; ++k) {
        if (k == ticket)
            record.TicketNo = old.Col(k);
        else if (k == moveFrom)
            record.Col(moveTo) = old.Col(k);
        else
            record.Col(k) = old.Col(k);
    }
    return record;
}

void TestConvert::mappingMatchesTheColumnWalk()
{
    const HyoRecord hyo = testdata::hyoRecord("H", 1000);
    const HypRecord hyp = testdata::hypRecord("P", 2000, 7, 8);
    const QList<int> tickets{0, 1, 2, 3, 5, 70, 71, 72};
    const QList<int> sources{0, 1, 2, 3, 4, 5, 6, 70, 71, 72};
    const QList<int> targets{1, 2, 3, 4, 5, 6, 70, 71, 72, 73, 100, 150};
    for (int ticket : tickets) {
        for (int from : sources) {
            for (int to : targets) {
                const ColumnOptions options{ticket != 0, ticket == 0 ? 1 : ticket, from != 0, from == 0 ? 1 : from, to};
                const QByteArray row = QByteArray("ticket ") + QByteArray::number(ticket) + " move "
                    + QByteArray::number(from) + "->" + QByteArray::number(to);
                QVERIFY2(mapRecord(hyo, options) == walkColumns(hyo, 72, ticket, from, to), row.constData());
                QVERIFY2(mapRecord(hyp, options) == walkColumns(hyp, 71, 0, from, to), row.constData());
            }
        }
    }
}

void TestConvert::privateMapping_data()
{
    QTest::addColumn<ColumnOptions>("options");
    QTest::addColumn<Overrides>("overrides");

    QTest::addRow("option off") << options(false, 1, false, 1, 1) << Overrides{};
    QTest::addRow("ticket option has no effect") << options(true, 5, false, 1, 1) << Overrides{};
    QTest::addRow("ticket option out of range has no effect") << options(true, 99, false, 1, 1) << Overrides{};
    QTest::addRow("move 71 to 150") << options(false, 1, true, 71, 150) << Overrides{{71, 0}, {150, 171}};
    QTest::addRow("move from 72 moves nothing") << options(false, 1, true, 72, 1) << Overrides{};
    QTest::addRow("move 3 to 5 is replaced by the later copy of 5")
        << options(false, 1, true, 3, 5) << Overrides{{3, 0}};
}

void TestConvert::privateMapping()
{
    QFETCH(ColumnOptions, options);
    QFETCH(Overrides, overrides);

    constexpr int kExtra = -7777;
    const QList<HypRecord> records{testdata::hypRecord("P1", 100, 42, kExtra), testdata::hypRecord("P2", 100, 43, kExtra)};
    testdata::writeFile(srcDir() + u"/X.hyp"_s, testdata::encode(records));

    QCOMPARE(testdata::convertFile(DataKind::Private, pathsFor(srcDir(), dstDir(), u"X.hyp"_s), options).records, 2);

    const QByteArray written = testdata::readFile(dstDir() + u"/X.hy3"_s);
    const QByteArray expected = testdata::encodeHy3(
        {expectedRecord("P1", 71, 42, overrides), expectedRecord("P2", 71, 43, overrides)});
    QCOMPARE(written.toHex(' '), expected.toHex(' '));
    QVERIFY(!written.contains(testdata::le16(kExtra)));
}

void TestConvert::paths_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("oldName");
    QTest::addColumn<QString>("expectedSource");
    QTest::addColumn<QString>("expectedDestination");

    QTest::addRow("folder without separator") << u"/d/old"_s << u"/e/new/"_s << u"ABC.hyo"_s
                                              << u"/d/old/ABC.hyo"_s << u"/e/new/ABC.hy3"_s;
    QTest::addRow("case of the stem kept") << u"/d/old/"_s << u"/e/new"_s << u"abc.HYP"_s << u"/d/old/abc.HYP"_s
                                           << u"/e/new/abc.hy3"_s;
    QTest::addRow("last four characters dropped whatever they are")
        << u"/a"_s << u"/b"_s << u"name.hyox"_s << u"/a/name.hyox"_s << u"/b/name..hy3"_s;
    QTest::addRow("empty folder is the root") << QString() << QString() << u"A.hyo"_s << u"/A.hyo"_s << u"/A.hy3"_s;
    QTest::addRow("a folder is taken as it stands, spaces and all")
        << u" /a "_s << u"/b "_s << u"A.hyo"_s << u" /a /A.hyo"_s << u"/b /A.hy3"_s;
}

void TestConvert::paths()
{
    QFETCH(QString, source);
    QFETCH(QString, destination);
    QFETCH(QString, oldName);
    const ConversionPaths paths = pathsFor(source, destination, oldName);
    QTEST(paths.source, "expectedSource");
    QTEST(paths.destination, "expectedDestination");
}

enum class Setup { Plain, DestinationFolderMissing, DirectoryAtDestination, SameFolder, SourceMissing };

void TestConvert::badInput_data()
{
    QTest::addColumn<DataKind>("kind");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("oldName");
    QTest::addColumn<ColumnOptions>("options");
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("cause");

    const QByteArray three = testdata::encode(testdata::manyHyoRecords(3));
    const QByteArray good = testdata::encode(testdata::manyHyoRecords(1));
    const ColumnOptions none;
    const auto std = DataKind::Standard;

    QTest::addRow("negative count") << std << testdata::le16(-1) << u"neg.hyo"_s << none << Setup::Plain << u"負"_s;
    QTest::addRow("negative count, private") << DataKind::Private << testdata::le16(-5) << u"neg.hyp"_s << none
                                             << Setup::Plain << u"負"_s;
    QTest::addRow("one byte only") << std << QByteArray(1, '\x01') << u"one.hyo"_s << none << Setup::Plain << u"行数"_s;
    QTest::addRow("ends inside record 2") << std << three.left(2 + 152 + 10) << u"cut.hyo"_s << none
                                          << Setup::Plain << u"2 件目"_s;
    QTest::addRow("ends inside the last record") << std << three.chopped(1) << u"cut.hyo"_s << none
                                                 << Setup::Plain << u"3 件目"_s;
    QTest::addRow("private record cut") << DataKind::Private
                                        << testdata::encode(testdata::manyHypRecords(2)).chopped(3)
                                        << u"cut.hyp"_s << none << Setup::Plain << u"2 件目"_s;
    QTest::addRow("name under four characters") << std << good << u"a.h"_s << none << Setup::Plain << u"短すぎ"_s;
    QTest::addRow("move target 151") << std << good << u"m.hyo"_s << ColumnOptions{false, 1, true, 1, 151}
                                     << Setup::Plain << u"移動先の列 151"_s;
    QTest::addRow("move target 0") << std << good << u"m.hyo"_s << ColumnOptions{false, 1, true, 1, 0}
                                   << Setup::Plain << u"移動先の列 0"_s;
    QTest::addRow("move source 73") << std << good << u"m.hyo"_s << ColumnOptions{false, 1, true, 73, 1}
                                    << Setup::Plain << u"移動元の列 73"_s;
    QTest::addRow("ticket column 73") << std << good << u"t.hyo"_s << ColumnOptions{true, 73, false, 1, 1}
                                      << Setup::Plain << u"整理券番号の列 73"_s;
    QTest::addRow("private move target 151") << DataKind::Private << testdata::encode(testdata::manyHypRecords(1))
                                             << u"m.hyp"_s << ColumnOptions{false, 1, true, 1, 151}
                                             << Setup::Plain << u"移動先の列 151"_s;
    QTest::addRow("source missing") << std << good << u"gone.hyo"_s << none << Setup::SourceMissing << u"開けません"_s;
    QTest::addRow("destination folder missing") << std << good << u"ok.hyo"_s << none
                                                << Setup::DestinationFolderMissing << u"作成できません"_s;
    QTest::addRow("directory where the output goes") << std << good << u"ok.hyo"_s << none
                                                     << Setup::DirectoryAtDestination << u"作成できません"_s;
    QTest::addRow("output would replace its source") << std << good << u"same.hy3"_s << none << Setup::SameFolder
                                                     << u"同じファイル"_s;
}

void TestConvert::badInput()
{
    QFETCH(DataKind, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, oldName);
    QFETCH(ColumnOptions, options);
    QFETCH(Setup, setup);
    QFETCH(QString, cause);

    QString destinationFolder = dstDir();
    if (setup == Setup::DestinationFolderMissing)
        destinationFolder = m_tmp->filePath(u"missing"_s);
    if (setup == Setup::SameFolder)
        destinationFolder = srcDir();
    const QString source = srcDir() + u'/' + oldName;
    if (setup != Setup::SourceMissing)
        testdata::writeFile(source, bytes);
    const auto before = testdata::snapshot(source);

    // An older result in the destination must survive the failure untouched.
    const QString destination = dstDir() + u'/' + oldName.chopped(qMin<qsizetype>(4, oldName.size())) + u".hy3"_s;
    if (setup == Setup::DirectoryAtDestination)
        QVERIFY(QDir().mkdir(destination));
    else if (setup != Setup::SameFolder)
        testdata::writeFile(destination, "OLD RESULT");
    const QStringList entriesBefore = dstEntries();

    QString message;
    try {
        const testdata::Converted converted =
            testdata::convertFile(kind, pathsFor(srcDir(), destinationFolder, oldName), options);
        QCOMPARE(converted.records, -1);
        message = converted.message;
    } catch (const DataError &error) { // a name pathsFor refuses: the window words it so
        message = Messages::failure(srcDir() + u'/' + oldName, error.failure());
    }
    QVERIFY2(message.contains(cause), qPrintable(message));
    QVERIFY2(message.contains(oldName.chopped(qMin<qsizetype>(4, oldName.size()))), qPrintable(message));
    QCOMPARE(dstEntries(), entriesBefore); // no partial or temporary file
    if (setup == Setup::Plain || setup == Setup::SourceMissing || setup == Setup::DestinationFolderMissing)
        QCOMPARE(testdata::readFile(destination), QByteArray("OLD RESULT"));
    QCOMPARE(testdata::snapshot(source), before);
}

void TestConvert::longerDestinationReplacedExactly()
{
    const QList<HyoRecord> records{testdata::hyoRecord("N", 1)};
    testdata::writeFile(srcDir() + u"/L.hyo"_s, testdata::encode(records));
    testdata::writeFile(dstDir() + u"/L.hy3"_s, QByteArray(5000, '\x7F'));

    QCOMPARE(testdata::convertFile(DataKind::Standard, pathsFor(srcDir(), dstDir(), u"L.hyo"_s), {}).records, 1);

    Hy3Record expected;
    expected.Name = "N";
    for (int k = 1; k <= 72; ++k)
        expected.Col(k) = static_cast<qint16>(1 + k);
    QCOMPARE(testdata::readFile(dstDir() + u"/L.hy3"_s), testdata::encodeHy3({expected}));
    QCOMPARE(dstEntries(), QStringList{u"L.hy3"_s});
}

void TestConvert::emptySourceWritesNothing_data()
{
    QTest::addColumn<DataKind>("kind");
    QTest::addColumn<QString>("oldName");
    QTest::addColumn<bool>("existingDestination");
    QTest::addRow("standard") << DataKind::Standard << u"E.hyo"_s << false;
    QTest::addRow("private") << DataKind::Private << u"E.hyp"_s << false;
    QTest::addRow("standard, earlier result kept") << DataKind::Standard << u"E.hyo"_s << true;
    QTest::addRow("private, earlier result kept") << DataKind::Private << u"E.hyp"_s << true;
}

void TestConvert::emptySourceWritesNothing()
{
    QFETCH(DataKind, kind);
    QFETCH(QString, oldName);
    QFETCH(bool, existingDestination);
    testdata::writeFile(srcDir() + u'/' + oldName, testdata::le16(0) + "ignored");
    if (existingDestination)
        testdata::writeFile(dstDir() + u"/E.hy3"_s, "EARLIER");

    QCOMPARE(testdata::convertFile(kind, pathsFor(srcDir(), dstDir(), oldName), {}).records, 0);

    QCOMPARE(testdata::readFile(dstDir() + u"/E.hy3"_s), existingDestination ? QByteArray("EARLIER") : QByteArray());
    QCOMPARE(dstEntries().size(), existingDestination ? 1 : 0);
}

void TestConvert::largeFilesConvertCompletely_data()
{
    QTest::addColumn<DataKind>("kind");
    QTest::addColumn<int>("count");
    QTest::addRow("private, 301 records") << DataKind::Private << 301;
    QTest::addRow("private, 302 records") << DataKind::Private << 302;
    QTest::addRow("private, 5000 records") << DataKind::Private << 5000;
    QTest::addRow("standard, 32767 records") << DataKind::Standard << 32767;
}

void TestConvert::largeFilesConvertCompletely()
{
    QFETCH(DataKind, kind);
    QFETCH(int, count);
    const bool standard = kind == DataKind::Standard;
    const QString name = standard ? u"big.hyo"_s : u"big.hyp"_s;
    QList<Hy3Record> expected;
    if (standard) {
        const auto records = testdata::manyHyoRecords(count);
        testdata::writeFile(srcDir() + u'/' + name, testdata::encode(records));
        for (const auto &r : records)
            expected.append(mapRecord(r, {}));
    } else {
        const auto records = testdata::manyHypRecords(count);
        testdata::writeFile(srcDir() + u'/' + name, testdata::encode(records));
        for (const auto &r : records)
            expected.append(mapRecord(r, {}));
    }

    QCOMPARE(testdata::convertFile(kind, pathsFor(srcDir(), dstDir(), name), {}).records, count);
    const QByteArray written = testdata::readFile(dstDir() + u"/big.hy3"_s);
    QCOMPARE(written.size(), testdata::encodeHy3(expected).size());
    QVERIFY(written == testdata::encodeHy3(expected));
}

void TestConvert::namesCarriedByteForByte()
{
    // Bytes that a trip through Unicode would change or lose.
    const QList<QByteArray> names{
        QByteArray::fromHex("ED40"),   // NEC-selected IBM extension: Unicode maps it back to FA5C
        QByteArray::fromHex("8790"),   // NEC row 13 duplicate of a JIS symbol
        QByteArray::fromHex("81"),     // a lead byte without its trail byte
        QByteArray::fromHex("FFFE80"), // never valid cp932
        QByteArray::fromHex("00410042"),
    };
    QList<HyoRecord> records;
    for (const QByteArray &name : names)
        records.append(testdata::hyoRecord(name));
    testdata::writeFile(srcDir() + u"/raw.hyo"_s, testdata::encode(records));

    QCOMPARE(testdata::convertFile(DataKind::Standard, pathsFor(srcDir(), dstDir(), u"raw.hyo"_s), {}).records, names.size());

    QList<Hy3Record> expected;
    for (const auto &record : records)
        expected.append(mapRecord(record, {}));
    QCOMPARE(testdata::readFile(dstDir() + u"/raw.hy3"_s).toHex(' '), testdata::encodeHy3(expected).toHex(' '));
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(expected[i].Name, names[i]);
}

QTEST_GUILESS_MAIN(TestConvert)
#include "tst_convert.moc"
