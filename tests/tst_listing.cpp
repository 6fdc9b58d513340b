// SPDX-License-Identifier: MIT
#include "text/cp932.h"
#include "listing/detaillisting.h"
#include "listing/foldersearch.h"
#include "listing/listing.h"
#include "messages.h"
#include "listing/naturalorder.h"
#include "testdata.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;
using namespace hy3;

using Files = QList<std::pair<QString, QByteArray>>;

class TestListing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void folderSearch_data();
    void folderSearch();
    void chkFile_data();
    void chkFile();
    void listing_data();
    void listing();
    void failureKeepsEarlierRows_data();
    void failureKeepsEarlierRows();
    void detailedListing_data();
    void detailedListing();
    void generalDate();
    void naturalOrderOfNames_data();
    void naturalOrderOfNames();

private:
    QTemporaryDir m_search;
};

static QByteArray hyo(const QByteArray &firstName, int count)
{
    QList<HyoRecord> records;
    for (int i = 0; i < count; ++i)
        records.append(testdata::hyoRecord(i == 0 ? firstName : "more"));
    return testdata::encode(records);
}

static QByteArray hyp(const QByteArray &firstName, int count)
{
    QList<HypRecord> records;
    for (int i = 0; i < count; ++i)
        records.append(testdata::hypRecord(i == 0 ? firstName : "more"));
    return testdata::encode(records);
}

static void setReadOnly(const QString &path, bool readOnly)
{
    QFile::Permissions p = QFile::permissions(path);
    const QFile::Permissions write = QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther;
    QVERIFY(QFile::setPermissions(path, readOnly ? p & ~write : p | QFile::WriteOwner));
}

static bool isOwnerWritable(const QString &path)
{
    return QFile::permissions(path) & QFile::WriteOwner;
}

static QStringList findFiles(const QString &folder, const QString &pattern)
{
    QStringList names;
    for (const QStringView name : searchFolder(folder, pattern).files)
        names.append(name.toString());
    return names;
}

static void writeFiles(const QString &folder, const Files &files)
{
    for (const auto &[name, bytes] : files)
        testdata::writeFile(folder + u'/' + name, bytes);
}

void TestListing::initTestCase()
{
    QVERIFY(m_search.isValid());
    const QDir dir(m_search.path());
    writeFiles(dir.path(), {{u"a.hyo"_s, hyo("A", 1)},
                            {u"B.HYO"_s, hyo("B", 1)},
                            {u".hidden.hyo"_s, hyo("H", 1)},
                            {u"ro.hyo"_s, hyo("R", 1)},
                            {u"c.hyp"_s, hyp("C", 1)},
                            {u"data[1].hyo"_s, hyo("D", 1)},
                            {u"notes.txt"_s, "x"}});
    setReadOnly(dir.filePath(u"ro.hyo"_s), true);
    QVERIFY(dir.mkdir(u"folder.hyo"_s));
#ifndef Q_OS_WIN
    QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(u"pipe.hyo"_s)).constData(), 0644) == 0);
    QVERIFY(QFile::link(dir.filePath(u"nowhere"_s), dir.filePath(u"broken.hyo"_s)));
#endif
}

void TestListing::folderSearch_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("expected");
    QTest::addRow("*.hyo: case ignored, read-only in; hidden, folders, pipes, broken links out")
        << u"*.hyo"_s << QStringList{u"B.HYO"_s, u"a.hyo"_s, u"data[1].hyo"_s, u"ro.hyo"_s};
    QTest::addRow("upper-case pattern") << u"*.HYP"_s << QStringList{u"c.hyp"_s};
    QTest::addRow("? is one character") << u"?.hy?"_s << QStringList{u"B.HYO"_s, u"a.hyo"_s, u"c.hyp"_s};
    QTest::addRow("brackets are literal") << u"data[1].hyo"_s << QStringList{u"data[1].hyo"_s};
    QTest::addRow("exact name") << u"A.HYO"_s << QStringList{u"a.hyo"_s};
    QTest::addRow("no match") << u"*.hy3"_s << QStringList{};
}

void TestListing::folderSearch()
{
    QFETCH(QString, pattern);
    QFETCH(QStringList, expected);
    QStringList found = findFiles(m_search.path(), pattern);
    found.sort();
    QCOMPARE(found, expected);
}

void TestListing::chkFile_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("exists");
    QTest::addRow("ordinary file") << u"a.hyo"_s << true;
    QTest::addRow("read-only file") << u"ro.hyo"_s << true;
    QTest::addRow("case ignored") << u"A.HYO"_s << true;
    QTest::addRow("pattern with a match") << u"*.hyo"_s << true;
    QTest::addRow("pattern without a match") << u"*.hy3"_s << false;
    QTest::addRow("nothing there") << u"missing.hyo"_s << false;
    QTest::addRow("hidden file") << u".hidden.hyo"_s << false;
    QTest::addRow("folder") << u"folder.hyo"_s << false;
    QTest::addRow("pipe") << u"pipe.hyo"_s << false;
    QTest::addRow("inside a missing folder") << u"missing/a.hyo"_s << false;
}

void TestListing::chkFile()
{
    QFETCH(QString, relative);
    QTEST(ChkFile(m_search.path() + u'/' + relative), "exists");
}

void TestListing::listing_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<DataKind>("kind");
    QTest::addColumn<ListingResult::Outcome>("outcome");
    QTest::addColumn<QList<ListingRow>>("rows");

    const Files mixed{{u"a.hyo"_s, hyo("ABC", 5)}, {u"b.hyo"_s, hyo("", 0)}, {u"c.hyp"_s, hyp(encodeCp932(u"運賃"), 3)}};
    QTest::addRow("standard: empty file skipped") << mixed << DataKind::Standard << ListingResult::Outcome::Found
                                                  << QList<ListingRow>{{u"a.hyo"_s, "ABC", 5}};
    QTest::addRow("private") << mixed << DataKind::Private << ListingResult::Outcome::Found
                             << QList<ListingRow>{{u"c.hyp"_s, encodeCp932(u"運賃"), 3}};
    QTest::addRow("all empty: found, no rows")
        << Files{{u"x.hyo"_s, hyo("", 0)}, {u"y.hyo"_s, testdata::le16(0)}} << DataKind::Standard
        << ListingResult::Outcome::Found << QList<ListingRow>{};
    QTest::addRow("no match") << Files{{u"c.hyp"_s, hyp("C", 1)}} << DataKind::Standard
                              << ListingResult::Outcome::NotFound << QList<ListingRow>{};
    QTest::addRow("empty folder") << Files{} << DataKind::Private << ListingResult::Outcome::NotFound
                                  << QList<ListingRow>{};
    const QByteArray longName(300, 'N');
    QTest::addRow("a first name longer than the first read")
        << Files{{u"long.hyo"_s, testdata::le16(1) + testdata::le16(300) + longName}} << DataKind::Standard
        << ListingResult::Outcome::Found << QList<ListingRow>{{u"long.hyo"_s, longName, 1}};
    QTest::addRow("32767 records, bytes after the first name not read")
        << Files{{u"big.hyo"_s, testdata::le16(32767) + testdata::le16(2) + "NM"}} << DataKind::Standard
        << ListingResult::Outcome::Found << QList<ListingRow>{{u"big.hyo"_s, "NM", 32767}};
}

void TestListing::listing()
{
    QFETCH(Files, files);
    QFETCH(DataKind, kind);
    QTemporaryDir dir;
    writeFiles(dir.path(), files);

    for (const QString &folder : {dir.path(), dir.path() + u'/'}) {
        const ListingResult result = listDataFiles(folder, kind);
        QTEST(result.outcome, "outcome");
        QTEST(result.rows, "rows");
    }
}

void TestListing::failureKeepsEarlierRows_data()
{
    QTest::addColumn<QByteArray>("bad");
    QTest::addColumn<int>("errorNumber");
    QTest::addColumn<QString>("cause");
    QTest::addRow("negative count") << testdata::le16(-3) << int(ListingNegativeCount) << u"負"_s;
    QTest::addRow("count only half there") << QByteArray(1, '\x05') << int(ListingTruncated) << u"短すぎ"_s;
    QTest::addRow("first name cut") << testdata::le16(1) + testdata::le16(10) + "abc" << int(ListingTruncated)
                                    << u"短すぎ"_s;
}

void TestListing::failureKeepsEarlierRows()
{
    QFETCH(QByteArray, bad);
    QTemporaryDir dir;
    writeFiles(dir.path(), {{u"1.hyo"_s, hyo("ONE", 1)},
                            {u"2.hyo"_s, hyo("TWO", 2)},
                            {u"bad.hyo"_s, bad},
                            {u"3.hyo"_s, hyo("THREE", 3)},
                            {u"4.hyo"_s, hyo("FOUR", 4)}});

    const ListingResult result = listDataFiles(dir.path(), DataKind::Standard);

    QCOMPARE(result.outcome, ListingResult::Outcome::Failed);
    QFETCH(int, errorNumber);
    QFETCH(QString, cause);
    const QString message = Messages::listingFailure(result);
    QVERIFY2(message.startsWith(QString::number(errorNumber) + u":「"_s) && message.contains(u"bad.hyo"_s)
                 && message.contains(cause),
             qPrintable(message));
    // The rows are exactly those of the files enumerated before the bad one.
    const QStringList order = findFiles(dir.path(), u"*.hyo"_s);
    QStringList expected = order.mid(0, order.indexOf(u"bad.hyo"_s));
    QStringList listed;
    for (const auto &row : result.rows)
        listed.append(row.fileName);
    QCOMPARE(listed, expected);
}

void TestListing::detailedListing_data()
{
    QTest::addColumn<bool>("bound");
    QTest::addRow("bound to a list") << true;
    QTest::addRow("no list bound") << false;
}

void TestListing::detailedListing()
{
    QFETCH(bool, bound);
    QTemporaryDir dir;
    const QByteArray withRecords = hyo(encodeCp932(u"運賃"), 2);
    writeFiles(dir.path(), {{u"full.hyo"_s, withRecords}, {u"empty.hyo"_s, testdata::le16(0)}, {u"p.hyp"_s, hyp("P", 1)}});
    for (const QString &name : {u"full.hyo"_s, u"empty.hyo"_s, u"p.hyp"_s})
        setReadOnly(dir.filePath(name), true);
    const QDateTime modified(QDate(2024, 3, 9), QTime(0, 0));
    QFile full(dir.filePath(u"full.hyo"_s));
    QVERIFY(full.open(QIODevice::ReadOnly));
    QVERIFY(full.setFileTime(modified, QFileDevice::FileModificationTime));
    full.close();

    testdata::DetailRowCollector collector;
    QVERIFY(!ListHyoFilesWithDetails(dir.path(), bound ? &collector : nullptr));

    if (bound) {
        const QStringList expected{u"full.hyo"_s, u"運賃"_s, u"2"_s, QString::number(withRecords.size()),
                                   generalDateText(modified)};
        QCOMPARE(collector.rows, QList<QStringList>{expected});
    }
    QCOMPARE(isOwnerWritable(dir.filePath(u"full.hyo"_s)), bound);
    QVERIFY(!isOwnerWritable(dir.filePath(u"empty.hyo"_s)));
    QVERIFY(!isOwnerWritable(dir.filePath(u"p.hyp"_s)));
}

void TestListing::generalDate()
{
    const QLocale locale = QLocale::system();
    const QDate date(2026, 12, 7);
    const QString shortDate = locale.toString(date, QLocale::ShortFormat);
    QCOMPARE(generalDateText(QDateTime(date, QTime(0, 0))), shortDate);
    const QString withTime = generalDateText(QDateTime(date, QTime(13, 5, 9)));
    QVERIFY2(withTime.startsWith(shortDate + u' ') && withTime.contains(u"05"_s) && withTime.contains(u"09"_s),
             qPrintable(withTime));
}

QTEST_GUILESS_MAIN(TestListing)
// The order of file names in every list, the same on every system.
void TestListing::naturalOrderOfNames_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addRow("numbers by value") << u"b2.hyo"_s << u"b10.hyo"_s;
    QTest::addRow("three digits and more") << u"n2.hyo"_s << u"n100.hyo"_s;
    QTest::addRow("leading zeros") << u"n0002.hyo"_s << u"n0100.hyo"_s;
    QTest::addRow("full-width digits") << u"路線２.hyo"_s << u"路線１０.hyo"_s;
    QTest::addRow("full-width and half-width digits by value") << u"ファイル１５.hyo"_s << u"ファイル23.hyo"_s;
    QTest::addRow("the same number: code units decide") << u"a01.hyo"_s << u"a1.hyo"_s;
    QTest::addRow("case ignored") << u"a.hyo"_s << u"B.hyo"_s;
    QTest::addRow("equal but for case: code units decide") << u"A1.hyo"_s << u"a1.hyo"_s;
    QTest::addRow("kana in Japanese order") << u"あ.hyo"_s << u"い.hyo"_s;
}

void TestListing::naturalOrderOfNames()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QVERIFY(naturalLess(first, second));
    QVERIFY(!naturalLess(second, first));
    const std::vector<QString> names{second, first};
    QCOMPARE(naturalOrder(2, [&names](std::size_t i) { return names[i]; }), (std::vector<std::size_t>{1, 0}));
}

#include "tst_listing.moc"
