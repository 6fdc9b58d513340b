#include "convert.h"
#include "cp932.h"
#include "testdata.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using testdata::hy3conv;
using testdata::Run;

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void usageErrors_data();
    void usageErrors();
    void helpAndVersion();
    void convertNamedFilesInOrder();
    void convertWholeFolder();
    void list_data();
    void list();

private:
    std::unique_ptr<testdata::Workspace> m_dir;
    QString src() const { return m_dir->src(); }
    QString dst() const { return m_dir->dst(); }
};

void TestCli::init()
{
    m_dir = std::make_unique<testdata::Workspace>();
    QVERIFY(m_dir->isValid());
}

void TestCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addRow("no arguments") << QStringList{};
    QTest::addRow("unknown command") << QStringList{u"copy"_s};
    QTest::addRow("unknown option") << QStringList{u"convert"_s, u"--kind"_s, u"hyo"_s, u"--fast"_s, u"a"_s, u"b"_s};
    QTest::addRow("kind missing") << QStringList{u"convert"_s, u"a"_s, u"b"_s};
    QTest::addRow("kind unknown") << QStringList{u"list"_s, u"--kind"_s, u"hy3"_s, u"a"_s};
    QTest::addRow("ticket column 0") << QStringList{u"convert"_s, u"--kind=hyo"_s, u"--ticket-column"_s, u"0"_s, u"a"_s, u"b"_s};
    QTest::addRow("ticket column 73") << QStringList{u"convert"_s, u"--kind=hyo"_s, u"--ticket-column=73"_s, u"a"_s, u"b"_s};
    QTest::addRow("ticket column not a number") << QStringList{u"convert"_s, u"--kind=hyo"_s, u"--ticket-column=x"_s, u"a"_s, u"b"_s};
    QTest::addRow("ticket column with hyp") << QStringList{u"convert"_s, u"--kind=hyp"_s, u"--ticket-column=3"_s, u"a"_s, u"b"_s};
    QTest::addRow("move from 73") << QStringList{u"convert"_s, u"--kind=hyo"_s, u"--move=73:1"_s, u"a"_s, u"b"_s};
    QTest::addRow("move to 151") << QStringList{u"convert"_s, u"--kind=hyo"_s, u"--move=1:151"_s, u"a"_s, u"b"_s};
    QTest::addRow("move without colon") << QStringList{u"convert"_s, u"--kind=hyo"_s, u"--move=5"_s, u"a"_s, u"b"_s};
    QTest::addRow("convert without folders") << QStringList{u"convert"_s, u"--kind=hyo"_s, u"a"_s};
    QTest::addRow("list of two folders") << QStringList{u"list"_s, u"--kind=hyo"_s, u"a"_s, u"b"_s};
    QTest::addRow("move on list") << QStringList{u"list"_s, u"--kind=hyo"_s, u"--move=1:2"_s, u"a"_s};
}

void TestCli::usageErrors()
{
    QFETCH(QStringList, arguments);
    const Run run = hy3conv(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.err.contains(u"--help"_s));
    QVERIFY(run.out.isEmpty());
}

void TestCli::helpAndVersion()
{
    const Run help = hy3conv({u"--help"_s});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.contains(u"使い方"_s));
    QVERIFY(help.out.contains(u"--ticket-column"_s));
    const Run version = hy3conv({u"--version"_s});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out.trimmed(), u"hy3conv "_s + QStringLiteral(HY3_VERSION));
}

void TestCli::convertNamedFilesInOrder()
{
    testdata::writeFile(src() + u"/b.hyo"_s, testdata::encode(testdata::manyHyoRecords(2)));
    testdata::writeFile(src() + u"/a.hyo"_s, testdata::encode(testdata::manyHyoRecords(3)));
    testdata::writeFile(src() + u"/bad.hyo"_s, testdata::le16(-1));

    const Run run = hy3conv({u"convert"_s, u"--kind"_s, u"hyo"_s, u"--ticket-column"_s, u"2"_s, u"--move"_s,
                             u"3:100"_s, src() + u"  "_s, dst(), u"b.hyo"_s, u"bad.hyo"_s, u"missing.hyo"_s,
                             u"a.hyo"_s});

    QCOMPARE(run.exitCode, 1);
    const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].contains(u"b.hyo"_s) && lines[0].contains(u"b.hy3"_s));
    QVERIFY(lines[1].contains(u"a.hyo"_s) && lines[1].contains(u"3 行"_s));
    QVERIFY(run.err.contains(u"bad.hyo"_s) && run.err.contains(u"missing.hyo"_s));

    hy3::ColumnOptions options{true, 2, true, 3, 100};
    QList<hy3::Hy3Record> expected;
    for (const auto &record : testdata::manyHyoRecords(3))
        expected.append(hy3::mapRecord(record, options));
    QCOMPARE(testdata::readFile(dst() + u"/a.hy3"_s), testdata::encodeHy3(expected));
    QVERIFY(!QFile::exists(dst() + u"/bad.hy3"_s));
}

void TestCli::convertWholeFolder()
{
    testdata::writeFile(src() + u"/one.hyp"_s, testdata::encode(testdata::manyHypRecords(4)));
    testdata::writeFile(src() + u"/two.HYP"_s, testdata::encode(testdata::manyHypRecords(1)));
    testdata::writeFile(src() + u"/zero.hyp"_s, testdata::le16(0));
    testdata::writeFile(src() + u"/other.hyo"_s, testdata::encode(testdata::manyHyoRecords(1)));

    const Run run = hy3conv({u"convert"_s, u"--kind=hyp"_s, src(), dst()});

    QCOMPARE(run.exitCode, 0);
    QStringList made = QDir(dst()).entryList(QDir::Files);
    made.sort();
    QCOMPARE(made, (QStringList{u"one.hy3"_s, u"two.hy3"_s}));
    QCOMPARE(run.out.count(u'\n'), 2);
}

void TestCli::list_data()
{
    QTest::addColumn<bool>("withBadFile");
    QTest::addColumn<bool>("empty");
    QTest::addColumn<int>("exitCode");
    QTest::addRow("rows") << false << false << 0;
    QTest::addRow("not found") << false << true << 3;
    QTest::addRow("a file in error") << true << false << 1;
}

void TestCli::list()
{
    QFETCH(bool, withBadFile);
    QFETCH(bool, empty);
    if (!empty) {
        QList<hy3::HyoRecord> records{testdata::hyoRecord(hy3::encodeCp932(u"運賃表"))};
        testdata::writeFile(src() + u"/fare.hyo"_s, testdata::encode(records));
    }
    if (withBadFile)
        testdata::writeFile(src() + u"/bad.hyo"_s, testdata::le16(-2));

    const Run run = hy3conv({u"list"_s, u"--kind"_s, u"hyo"_s, src()});

    QTEST(run.exitCode, "exitCode");
    if (empty) {
        QCOMPARE(run.err.trimmed(), u"指定したフォルダ(ドライブ)からは、データファイルは発見されませんでした。"_s);
        QVERIFY(run.out.isEmpty());
    } else if (withBadFile) {
        QVERIFY2(run.err.contains(u"54:"_s) && run.err.contains(u"bad.hyo"_s), qPrintable(run.err));
    } else {
        QCOMPARE(run.out, u"fare.hyo\t運賃表\t1\n"_s);
    }
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
