// SPDX-License-Identifier: MIT
// Failures in the middle of things: every file call failing in turn, writes
// that stop part-way, folders that vanish, hostile headers. Whatever happens,
// an earlier result stays whole, no temporary file is left, the message is
// Japanese and names the file, and the sources are untouched.

#include "batch.h"
#include "conversionrun.h"
#include "dataerror.h"
#include "datafile.h"
#include "fs/native.h"
#include "testdata.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <csignal>

#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace hy3;

// A device that takes `capacity` bytes and then fails every write.
class FailDevice : public QIODevice
{
public:
    explicit FailDevice(qint64 capacity) : m_capacity(capacity) { open(QIODevice::WriteOnly); }
    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        if (written.size() + size > m_capacity) {
            setErrorString(u"デバイスがいっぱいです"_s);
            return -1;
        }
        written.append(data, size);
        return size;
    }

private:
    qint64 m_capacity;
};

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void deviceFailsPartWay_data();
    void deviceFailsPartWay();
    void everyFileCallFails_data();
    void everyFileCallFails();
    void temporaryThatCantBeRemovedGoesNextRun();
    void limitedDestination_data();
    void limitedDestination();
    void sameFileUnderAnotherName();
    void hostileInput_data();
    void hostileInput();

private:
    QString src() const { return m_dir->src(); }
    QString dst() const { return m_dir->dst(); }
    QStringList dstEntries() const { return QDir(dst()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); }
    int temporaries() const { return static_cast<int>(QDir(dst()).entryList({u"~hy3-converter-*.tmp"_s}, QDir::Files | QDir::Hidden).size()); }

    std::unique_ptr<testdata::Workspace> m_dir;
    QMap<QString, testdata::FileSnapshot> m_sources;
};

void TestFaults::init()
{
    m_dir = std::make_unique<testdata::Workspace>();
    QVERIFY(m_dir->isValid());
    testdata::writeFile(src() + u"/big.hyo"_s, testdata::encode(testdata::manyHyoRecords(200)));
    testdata::writeFile(src() + u"/small.hyo"_s, testdata::encode(testdata::manyHyoRecords(2)));
    testdata::writeFile(src() + u"/big.hyp"_s, testdata::encode(testdata::manyHypRecords(200)));
    m_sources.clear();
    for (const QString &name : QDir(src()).entryList(QDir::Files))
        m_sources.insert(name, testdata::snapshot(src() + u'/' + name));
}

void TestFaults::cleanup()
{
    fs::native::testing::clearFaults();
    // Every source that still exists is byte- and timestamp-identical.
    for (auto it = m_sources.cbegin(); it != m_sources.cend(); ++it) {
        const QString path = src() + u'/' + it.key();
        if (QFile::exists(path))
            QVERIFY2(testdata::snapshot(path) == it.value(), qPrintable(it.key()));
    }
}

void TestFaults::deviceFailsPartWay_data()
{
    QTest::addColumn<qint64>("capacity");
    QTest::addRow("nothing") << qint64(0);
    QTest::addRow("half the count") << qint64(1);
    QTest::addRow("the count only") << qint64(2);
    QTest::addRow("inside the first record") << qint64(100);
    QTest::addRow("one byte short of two records") << qint64(2 + 2 * 307 - 1);
}

void TestFaults::deviceFailsPartWay()
{
    QFETCH(qint64, capacity);
    Hy3Record record;
    record.Name = "ABC";
    FailDevice device(capacity);
    QVERIFY_THROWS_EXCEPTION(DataError, {
        WriteRecordCount(device, 2);
        WriteRecord(device, record);
        WriteRecord(device, record);
    });
    QVERIFY(device.written.size() <= capacity);
    // Records reach the device whole or not at all.
    QVERIFY(device.written.size() <= 2 || (device.written.size() - 2) % 307 == 0);
}

using Op = fs::native::testing::Op;

void TestFaults::everyFileCallFails_data()
{
    QTest::addColumn<Op>("op");
    QTest::addColumn<int>("code");
    QTest::addRow("open, no permission") << Op::Open << EACCES;
    QTest::addRow("stat, I/O error") << Op::Stat << EIO;
    QTest::addRow("read, I/O error") << Op::Read << EIO;
    QTest::addRow("create, read-only medium") << Op::Create << EROFS;
    QTest::addRow("create, too many open files") << Op::Create << EMFILE;
    QTest::addRow("write, no space") << Op::Write << ENOSPC;
    QTest::addRow("write, size limit") << Op::Write << EFBIG;
    QTest::addRow("flush, I/O error") << Op::Sync << EIO;
    QTest::addRow("flush, no space") << Op::Sync << ENOSPC;
    QTest::addRow("rename, another error") << Op::Rename << EXDEV;
    QTest::addRow("listing leftovers, I/O error") << Op::List << EIO;
}

// Each call of the operation, in turn, fails once. The conversion then either
// fails with the cause in Japanese and the earlier result intact, or (where
// the call was not needed for the result) succeeds; never anything between.
void TestFaults::everyFileCallFails()
{
    QFETCH(Op, op);
    QFETCH(int, code);
    const QList<HyoRecord> records = testdata::manyHyoRecords(300); // output above one write piece
    testdata::writeFile(src() + u"/ten.hyo"_s, testdata::encode(records));
    m_sources.insert(u"ten.hyo"_s, testdata::snapshot(src() + u"/ten.hyo"_s));
    QList<Hy3Record> mapped;
    for (const HyoRecord &record : records)
        mapped.append(mapRecord(record, {}));
    const QByteArray converted = testdata::encodeHy3(mapped);
    const QByteArray earlier("EARLIER RESULT");
    const ConversionPaths paths = pathsFor(src(), dst(), u"ten.hyo"_s);

    fs::native::testing::clearFaults();
    (void)convertFile(DataKind::Standard, paths, {});
    const int calls = fs::native::testing::calls(op);
    QVERIFY(calls > 0);
    const QString cause = causeText(fs::native::fromSystem(code).cause, code);

    for (int n = 1; n <= calls; ++n) {
        const QByteArray call = "call " + QByteArray::number(n);
        testdata::writeFile(dst() + u"/ten.hy3"_s, earlier);
        fs::native::testing::clearFaults();
        fs::native::testing::failCall(op, n, code);
        try {
            (void)convertFile(DataKind::Standard, paths, {});
            QVERIFY2(testdata::readFile(dst() + u"/ten.hy3"_s) == converted, call.constData());
        } catch (const DataError &error) {
            QVERIFY2(error.message().contains(u"ten.hy"_s) && error.message().contains(cause),
                     qPrintable(u"%1: %2"_s.arg(QString::fromLatin1(call), error.message())));
            // Only a failed flush of the folder comes after the new file is in place, and says so.
            const bool inPlace = error.message().contains(u"書き込みましたが"_s);
            QVERIFY2(testdata::readFile(dst() + u"/ten.hy3"_s) == (inPlace ? converted : earlier), call.constData());
        }
        QVERIFY2(temporaries() == 0, call.constData());
    }
}

// A temporary that can't be removed after a failure stays behind for now,
// and the next run into the folder removes it.
void TestFaults::temporaryThatCantBeRemovedGoesNextRun()
{
    fs::native::testing::failCall(Op::Write, 1, ENOSPC);
    fs::native::testing::failCall(Op::Remove, 1, EIO);
    QVERIFY_THROWS_EXCEPTION(DataError, (void)convertFile(DataKind::Standard, pathsFor(src(), dst(), u"big.hyo"_s), {}));
    QCOMPARE(temporaries(), 1);
    fs::native::testing::clearFaults();
    QCOMPARE(convertFile(DataKind::Standard, pathsFor(src(), dst(), u"small.hyo"_s), {}), 2);
    QCOMPARE(temporaries(), 0);
    QCOMPARE(dstEntries(), QStringList{u"small.hy3"_s});
}

enum class Limit { FileSize, FullDisk };

// A small tmpfs mounted for the scope's life; empty when the machine refuses it.
class SmallFileSystem
{
public:
    SmallFileSystem(const QString &where, const QByteArray &size) : m_where(where)
    {
        QDir().mkpath(where);
        m_mounted = QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size="_s + QString::fromLatin1(size),
                                                   u"tmpfs"_s, where}) == 0;
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            QProcess::execute(u"umount"_s, {m_where});
    }
    [[nodiscard]] bool isMounted() const { return m_mounted; }

private:
    QString m_where;
    bool m_mounted = false;
};

// Fills the file system that holds the folder until a write fails.
static void fillUp(const QString &folder)
{
    QFile filler(folder + u"/filler"_s);
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
    const QByteArray byte(1, 'f');
    while (filler.write(byte) == 1) {
    }
}

void TestFaults::limitedDestination_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("records");
    QTest::addColumn<Limit>("limit");
    QTest::addColumn<int>("bytes"); // the file-size limit
    const QString tooLarge = u"ファイルサイズの上限"_s;
    const QString noSpace = u"容量不足"_s;

    // Outputs below the write buffer only fail when it is flushed; above it, on a write.
    QTest::addColumn<QString>("cause");
    QTest::addRow("1 record, size limit 0") << u"ten.hyo"_s << 1 << Limit::FileSize << 0 << tooLarge;
    QTest::addRow("10 records, size limit 300 bytes") << u"ten.hyo"_s << 10 << Limit::FileSize << 300 << tooLarge;
    QTest::addRow("10 records, size limit 1024 bytes") << u"ten.hyo"_s << 10 << Limit::FileSize << 1024 << tooLarge;
    QTest::addRow("200 records, one byte short") << u"ten.hyo"_s << 200 << Limit::FileSize << 2 + 200 * 310 - 1
                                                 << tooLarge;
    QTest::addRow("300 records, size limit 4096 bytes") << u"ten.hyo"_s << 300 << Limit::FileSize << 4096 << tooLarge;
    QTest::addRow("private, 200 records, size limit 10 KiB") << u"ten.hyp"_s << 200 << Limit::FileSize << 10240
                                                             << tooLarge;
    QTest::addRow("10 records, full disk") << u"ten.hyo"_s << 10 << Limit::FullDisk << 0 << noSpace;
    QTest::addRow("300 records, full disk") << u"ten.hyo"_s << 300 << Limit::FullDisk << 0 << noSpace;
}

// The earlier result survives byte for byte, nothing else is left, and the run fails.
void TestFaults::limitedDestination()
{
    QFETCH(QString, name);
    QFETCH(int, records);
    QFETCH(Limit, limit);
    QFETCH(int, bytes);
    const bool privateKind = name.endsWith(u"hyp"_s);
    testdata::writeFile(src() + u'/' + name, privateKind ? testdata::encode(testdata::manyHypRecords(records))
                                                         : testdata::encode(testdata::manyHyoRecords(records)));
    m_sources.insert(name, testdata::snapshot(src() + u'/' + name));

    QString folder = dst();
    std::unique_ptr<SmallFileSystem> small;
    if (limit == Limit::FullDisk) {
        folder = m_dir->filePath(u"small"_s);
        small = std::make_unique<SmallFileSystem>(folder, "256k");
        if (!small->isMounted())
            QSKIP("this machine does not let the test mount a small tmpfs");
    }
    const QByteArray earlier("EARLIER RESULT");
    testdata::writeFile(folder + u"/ten.hy3"_s, earlier);
    QStringList entries{u"ten.hy3"_s};
    if (limit == Limit::FullDisk) {
        fillUp(folder);
        entries.prepend(u"filler"_s);
    }

    const auto lowerLimit = [bytes] {
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit then fails with EFBIG
        const rlimit lowered{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
        setrlimit(RLIMIT_FSIZE, &lowered);
    };
    const testdata::Run run = testdata::hy3conv(
        {u"convert"_s, u"--kind"_s, privateKind ? u"hyp"_s : u"hyo"_s, src(), folder, name},
        limit == Limit::FileSize ? std::function<void()>(lowerLimit) : std::function<void()>());

    QFETCH(QString, cause);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(u"ten.hy3"_s) && run.err.contains(cause), qPrintable(run.err));
    QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
    QCOMPARE(testdata::readFile(folder + u"/ten.hy3"_s), earlier);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), entries);

    // With room again the same conversion goes through and replaces the old result.
    if (limit == Limit::FullDisk)
        QVERIFY(QFile::remove(folder + u"/filler"_s));
    const testdata::Run again = testdata::hy3conv(
        {u"convert"_s, u"--kind"_s, privateKind ? u"hyp"_s : u"hyo"_s, src(), folder, name});
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(testdata::readFile(folder + u"/ten.hy3"_s).left(2), testdata::le16(records));
}

// On a case-insensitive medium ABC.hy3 and abc.hy3 are one file; a hard link
// made as soon as the first is written stands in for such a medium here.
void TestFaults::sameFileUnderAnotherName()
{
    testdata::writeFile(src() + u"/ABC.hyo"_s, testdata::encode(testdata::manyHyoRecords(3)));
    testdata::writeFile(src() + u"/abc.hyo"_s, testdata::encode(testdata::manyHyoRecords(4)));
    ConversionRun::Settings settings;
    settings.group.files = 1;
    ConversionRun run(settings);
    run.setReportSink([this](const FileReport &report) {
        if (report.destination.endsWith(u"ABC.hy3"_s))
            QCOMPARE(::link(QFile::encodeName(dst() + u"/ABC.hy3"_s).constData(),
                            QFile::encodeName(dst() + u"/abc.hy3"_s).constData()),
                     0);
    });
    run.convert(DataKind::Standard, pathsFor(src(), dst(), u"ABC.hyo"_s));
    try {
        run.convert(DataKind::Standard, pathsFor(src(), dst(), u"abc.hyo"_s));
        QFAIL("the second name overwrote the first file");
    } catch (const DataError &error) {
        QCOMPARE(error.cause(), Cause::Clash);
        QVERIFY2(error.message().contains(u"abc.hyo"_s) && error.message().contains(u"ABC.hy3"_s),
                 qPrintable(error.message()));
    }
    QVERIFY(run.finish().isEmpty());
    QCOMPARE(testdata::readFile(dst() + u"/ABC.hy3"_s).left(2), testdata::le16(3));
}

void TestFaults::hostileInput_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("cause");
    // A tiny file that claims the largest count: refused without building anything large.
    QTest::addRow("32767 records claimed, none there") << testdata::le16(32767) << u"1 件目"_s;
    QTest::addRow("name longer than the file") << testdata::le16(1) + testdata::le16(65535) + "x" << u"1 件目"_s;
}

void TestFaults::hostileInput()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, cause);
    qint16 count = 0;
    try {
        (void)convertBytes(DataKind::Standard, bytes, {}, u"hostile.hyo"_s, count);
        QFAIL("accepted");
    } catch (const DataError &error) {
        QVERIFY2(error.message().contains(cause) && error.message().contains(u"hostile.hyo"_s),
                 qPrintable(error.message()));
    }
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
