// SPDX-License-Identifier: MIT
// Media as users have them, through the built hy3conv: FUSE file systems (a
// pass-through of the tests' own that logs what reaches it) where a flush of
// the whole file system reaches nothing, that fold letter case, that answer
// a look-up with an I/O error, or are slow; read-only and full mounts; an
// earlier output the system won't let go. Rows that need a mount skip where
// the machine refuses one.

#include "format/convert.h"
#include "testdata.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace hy3;

namespace {

QByteArray local(const QString &path)
{
    return QFile::encodeName(path);
}

QByteArray converted(const QByteArray &source)
{
    qint16 count = 0;
    return convertBytes(DataKind::Standard, source, {}, count);
}

bool isMountPoint(const QString &path)
{
    QFile table(u"/proc/self/mountinfo"_s);
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray wanted = local(QFileInfo(path).absoluteFilePath());
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() > 4 && fields[4] == wanted)
            return true;
    }
    return false;
}

bool unmount(const QString &path)
{
    return QProcess::execute(u"umount"_s, {u"-l"_s, path}) == 0
        || QProcess::execute(u"fusermount3"_s, {u"-u"_s, u"-z"_s, path}) == 0;
}

// A mount of the tests' FUSE pass-through over `backing`, gone with the object.
class FuseMount
{
public:
    FuseMount(const QString &backing, const QString &at, const QString &log, const QStringList &options)
        : m_at(at)
    {
#ifdef PASSTHROUGHFS_PATH
        QDir().mkpath(backing);
        QDir().mkpath(at);
        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_daemon.start(QStringLiteral(PASSTHROUGHFS_PATH), options + QStringList{u"--log"_s, log, backing, at});
        for (int waited = 0; waited < 5000 && m_daemon.state() != QProcess::NotRunning; waited += 20) {
            if (isMountPoint(at)) {
                m_mounted = true;
                return;
            }
            QThread::msleep(20);
        }
        m_whyNot = u"the machine refuses a FUSE mount"_s;
#else
        Q_UNUSED(backing);
        Q_UNUSED(log);
        Q_UNUSED(options);
        m_whyNot = u"built without libfuse3"_s;
#endif
    }
    ~FuseMount()
    {
        if (m_mounted)
            unmount(m_at);
        if (!m_daemon.waitForFinished(5000))
            m_daemon.kill();
        m_daemon.waitForFinished();
    }
    FuseMount(const FuseMount &) = delete;
    FuseMount &operator=(const FuseMount &) = delete;

    [[nodiscard]] bool isMounted() const { return m_mounted; }
    [[nodiscard]] QString whyNot() const { return m_whyNot; }

private:
    QString m_at;
    QProcess m_daemon;
    bool m_mounted = false;
    QString m_whyNot;
};

// A tmpfs of its own, as a small or read-only medium.
class TmpfsMount
{
public:
    TmpfsMount(const QString &at, const QString &options) : m_at(at)
    {
        QDir().mkpath(at);
        m_mounted = QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, options, u"tmpfs"_s, at}) == 0;
    }
    ~TmpfsMount()
    {
        if (m_mounted)
            unmount(m_at);
    }
    TmpfsMount(const TmpfsMount &) = delete;
    TmpfsMount &operator=(const TmpfsMount &) = delete;

    [[nodiscard]] bool isMounted() const { return m_mounted; }

private:
    QString m_at;
    bool m_mounted = false;
};

// The log of the pass-through: each line "what path [to]".
struct LogLine
{
    QString what;
    QString path;
    QString to;
};

QList<LogLine> readLog(const QString &path)
{
    QList<LogLine> lines;
    for (const QString &line : QString::fromUtf8(testdata::readFile(path)).split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(u' ');
        lines.append({parts.value(0), parts.value(1), parts.value(2)});
    }
    return lines;
}

QJsonObject jsonOf(const testdata::Run &run)
{
    return QJsonDocument::fromJson(run.out.toUtf8()).object();
}

} // namespace

class TestMounts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void eachOutputFlushedWhereTheFileSystemFlushReachesNothing();
    void namesDifferingInCase_data();
    void namesDifferingInCase();
    void twoRunsIntoOneFolder_data();
    void twoRunsIntoOneFolder();
    void progressShowsTheTotal();
    void interruptedRunListsWhatItDidNotRun();
    void whatTheMediumSays_data();
    void whatTheMediumSays();

private:
    QString src() const { return m_dir->src(); }
    QString dst() const { return m_dir->dst(); }
    QString place(const QString &name) const { return m_dir->filePath(name); }
    // `count` sources f000.hyo ... of `records` records each.
    QList<QByteArray> writeSources(int count, int records = 3);
    int temporaries(const QString &folder) const
    {
        return static_cast<int>(QDir(folder).entryList({u"~hy3-converter-*.tmp"_s}, QDir::Files | QDir::Hidden).size());
    }

    std::unique_ptr<testdata::Workspace> m_dir;
};

void TestMounts::init()
{
    m_dir = std::make_unique<testdata::Workspace>();
    QVERIFY(m_dir->isValid());
}

QList<QByteArray> TestMounts::writeSources(int count, int records)
{
    QList<QByteArray> outputs;
    for (int i = 0; i < count; ++i) {
        const QByteArray data = testdata::encode(testdata::manyHyoRecords(records + i % 5));
        testdata::writeFile(src() + u"/f%1.hyo"_s.arg(i, 3, 10, QChar(u'0')), data);
        outputs.append(converted(data));
    }
    return outputs;
}

// Through FUSE (exFAT and NTFS drivers, sshfs, many NAS and cloud mounts)
// one flush of the file system reaches no daemon: each output's own flush
// must reach it before the output gets its name.
void TestMounts::eachOutputFlushedWhereTheFileSystemFlushReachesNothing()
{
    const FuseMount mount(place(u"backing"_s), place(u"mnt"_s), place(u"fuse.log"_s), {});
    if (!mount.isMounted())
        QSKIP(qPrintable(mount.whyNot()));
    constexpr int kFiles = 40;
    const QList<QByteArray> expected = writeSources(kFiles);
    const testdata::Run run = testdata::hy3conv({u"convert"_s, u"-q"_s, u"-o"_s, place(u"mnt/out"_s), src()});
    QCOMPARE(run.exitCode, 0);

    const QList<LogLine> log = readLog(place(u"fuse.log"_s));
    int flushedBeforeItsName = 0;
    for (qsizetype i = 0; i < log.size(); ++i) {
        if (log[i].what != u"rename" || !log[i].to.endsWith(u".hy3"_s))
            continue;
        const bool flushed = std::any_of(log.cbegin(), log.cbegin() + i, [&](const LogLine &line) {
            return line.what == u"fsync" && line.path == log[i].path;
        });
        QVERIFY2(flushed, qPrintable(log[i].to + u" was named before its data reached the medium"_s));
        ++flushedBeforeItsName;
    }
    QCOMPARE(flushedBeforeItsName, kFiles);
    for (int i = 0; i < kFiles; ++i)
        QCOMPARE(testdata::readFile(place(u"backing/out/f%1.hy3"_s.arg(i, 3, 10, QChar(u'0')))), expected[i]);
}

void TestMounts::namesDifferingInCase_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addRow("a medium that folds case, as exFAT") << QStringList{u"--fold-case"_s};
    // An answer that is no answer must not make the folder case-sensitive.
    QTest::addRow("a medium that fails the look-up of the other spelling")
        << QStringList{u"--fail-lookup"_s, u"~HY3-CONVERTER-*"_s};
}

// Route.hyo and route.hyo write one output where the folder folds case, or
// may: never one silently over the other.
void TestMounts::namesDifferingInCase()
{
    QFETCH(QStringList, options);
    const FuseMount mount(place(u"backing"_s), place(u"mnt"_s), place(u"fuse.log"_s), options);
    if (!mount.isMounted())
        QSKIP(qPrintable(mount.whyNot()));
    QVERIFY(QDir().mkpath(src() + u"/one"_s) && QDir().mkpath(src() + u"/two"_s));
    testdata::writeFile(src() + u"/one/Route.hyo"_s, testdata::encode(testdata::manyHyoRecords(3)));
    testdata::writeFile(src() + u"/two/route.hyo"_s, testdata::encode(testdata::manyHyoRecords(4)));
    const testdata::Run run = testdata::hy3conv(
        {u"convert"_s, u"-o"_s, place(u"mnt"_s), src() + u"/one/Route.hyo"_s, src() + u"/two/route.hyo"_s});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(u"作成済み"_s), qPrintable(run.err));
    QCOMPARE(QDir(place(u"backing"_s)).entryList(QDir::Files | QDir::Hidden), QStringList{u"Route.hy3"_s});
    QCOMPARE(testdata::readFile(place(u"backing/Route.hy3"_s)).left(2), testdata::le16(3));
}

void TestMounts::twoRunsIntoOneFolder_data()
{
    QTest::addColumn<bool>("throughFuse"); // no file without a name there: each is created under its name
    QTest::addColumn<int>("files");
    QTest::addRow("a local disk") << false << 600;
    QTest::addRow("FUSE") << true << 150;
}

// Two runs into one folder sweep each other's leftovers, never a file the
// other is writing, and neither fails a file for it.
void TestMounts::twoRunsIntoOneFolder()
{
    QFETCH(bool, throughFuse);
    QFETCH(int, files);
    std::unique_ptr<FuseMount> mount;
    QString into = dst();
    if (throughFuse) {
        mount = std::make_unique<FuseMount>(place(u"backing"_s), place(u"mnt"_s), place(u"fuse.log"_s), QStringList{});
        if (!mount->isMounted())
            QSKIP(qPrintable(mount->whyNot()));
        into = place(u"mnt"_s);
    }
    const QList<QByteArray> expected = writeSources(files, 1);
    for (int round = 0; round < 2; ++round) {
        QList<std::shared_ptr<QProcess>> runs;
        for (int i = 0; i < 2; ++i) {
            runs.append(std::make_shared<QProcess>());
            runs.last()->start(QStringLiteral(HY3CONV_PATH), {u"convert"_s, u"-q"_s, u"--kind"_s, u"hyo"_s, src(), into});
        }
        for (const auto &run : runs) {
            QVERIFY(run->waitForFinished(120000));
            const QString err = QString::fromUtf8(run->readAllStandardError());
            QVERIFY2(run->exitCode() == 0 && err.isEmpty(), qPrintable(err));
        }
    }
    QCOMPARE(temporaries(into), 0);
    for (int i = 0; i < files; ++i)
        QCOMPARE(testdata::readFile(into + u"/f%1.hy3"_s.arg(i, 3, 10, QChar(u'0'))), expected[i]);
}

// On a terminal the progress line says how far the run is: n/N.
void TestMounts::progressShowsTheTotal()
{
    if (QStandardPaths::findExecutable(u"script"_s).isEmpty())
        QSKIP("no script(1) to give hy3conv a terminal");
    // A slow medium, so that the run lasts long enough to show its progress.
    const FuseMount mount(place(u"backing"_s), place(u"mnt"_s), place(u"fuse.log"_s), {u"--delay-ms"_s, u"60"_s});
    if (!mount.isMounted())
        QSKIP(qPrintable(mount.whyNot()));
    writeSources(20);
    QProcess terminal;
    terminal.start(u"script"_s, {u"-qefc"_s,
                                 u"'%1' convert -o '%2' '%3'"_s.arg(QStringLiteral(HY3CONV_PATH), place(u"mnt/out"_s), src()),
                                 u"/dev/null"_s});
    QVERIFY(terminal.waitForFinished(60000));
    const QString shown = QString::fromUtf8(terminal.readAllStandardOutput());
    QCOMPARE(terminal.exitCode(), 0);
    QVERIFY2(QRegularExpression(u"\\r\\x1b\\[K\\d+/20 \\(\\d+%\\) f0\\d\\d\\.hyo"_s).match(shown).hasMatch(),
             qPrintable(shown));
}

// Ctrl+C stops after the group being written: the message and --json say
// which files were converted and list each of the others as not run, in order.
void TestMounts::interruptedRunListsWhatItDidNotRun()
{
    const FuseMount mount(place(u"backing"_s), place(u"mnt"_s), place(u"fuse.log"_s), {u"--delay-ms"_s, u"25"_s});
    if (!mount.isMounted())
        QSKIP(qPrintable(mount.whyNot()));
    constexpr int kFiles = 80;
    writeSources(kFiles);
    testdata::writeFile(place(u"backing/f000.hy3"_s), "EARLIER"); // kept: not a file that was not run
    QProcess run;
    run.start(QStringLiteral(HY3CONV_PATH), {u"convert"_s, u"--json"_s, u"--no-overwrite"_s, u"--report"_s,
                                             place(u"report.csv"_s), u"-o"_s, place(u"mnt"_s), src()});
    QVERIFY(run.waitForStarted());
    QThread::msleep(1200);
    ::kill(static_cast<pid_t>(run.processId()), SIGINT);
    QVERIFY(run.waitForFinished(60000));
    QCOMPARE(run.exitCode(), 130);
    const QJsonObject document = QJsonDocument::fromJson(run.readAllStandardOutput()).object();
    const QJsonArray files = document.value(u"files"_s).toArray();
    QCOMPARE(files.size(), kFiles);
    QStringList results;
    for (int i = 0; i < kFiles; ++i) {
        const QJsonObject file = files[i].toObject();
        QVERIFY(file.value(u"source"_s).toString().endsWith(u"f%1.hyo"_s.arg(i, 3, 10, QChar(u'0'))));
        results.append(file.value(u"result"_s).toString());
    }
    const int notRun = static_cast<int>(results.count(u"not-run"_s));
    const int done = static_cast<int>(results.count(u"converted"_s));
    QCOMPARE(results.first(), u"skipped"_s);
    QVERIFY2(notRun > 0 && done > 0, qPrintable(results.join(u' ')));
    QCOMPARE(results.mid(1), QStringList(done, u"converted"_s) + QStringList(notRun, u"not-run"_s));
    QCOMPARE(document.value(u"notRun"_s).toInt(), notRun);
    QCOMPARE(document.value(u"converted"_s).toInt(), done);
    const QString err = QString::fromUtf8(run.readAllStandardError());
    QVERIFY2(err.contains(u"%1 件を変換し、残りの %2 件は変換していません"_s.arg(done).arg(notRun)), qPrintable(err));
    QCOMPARE(QDir(place(u"backing"_s)).entryList({u"*.hy3"_s}, QDir::Files).size(), done + 1);
    // The report says the same: every file, none claimed converted that isn't.
    const QStringList rows = QString::fromUtf8(testdata::readFile(place(u"report.csv"_s))).split(u"\r\n"_s, Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), kFiles + 1);
    QCOMPARE(rows.filter(u",変換しました,"_s).size(), done);
    QCOMPARE(rows.filter(u",変換していません (中止),"_s).size(), notRun);
    QCOMPARE(temporaries(place(u"backing"_s)), 0);
}

enum class Medium { ReadOnlyMount, FullMount, FileSizeLimit, ReadOnlyOutput, ImmutableOutput, NoRoomForTheCopy };

void TestMounts::whatTheMediumSays_data()
{
    QTest::addColumn<Medium>("medium");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("words");
    QTest::addRow("a read-only mount") << Medium::ReadOnlyMount << u"read-only-medium"_s << u"読み取り専用のメディアです"_s;
    QTest::addRow("a full medium") << Medium::FullMount << u"no-space"_s << u"容量不足です"_s;
    QTest::addRow("a file-size limit") << Medium::FileSizeLimit << u"file-too-large"_s << u"ファイルサイズの上限"_s;
    QTest::addRow("an earlier output no one may write") << Medium::ReadOnlyOutput << u"read-only-file"_s
                                                       << u"読み取り専用のファイルです"_s;
    // The rename itself refused: its own answer, not one put in its place.
    QTest::addRow("an earlier output made immutable") << Medium::ImmutableOutput << u"no-permission"_s
                                                     << u"に書き込めません（アクセス権がありません）"_s;
    // Room for the new file, none for the copy of the earlier one: it is not replaced.
    QTest::addRow("no room to keep the earlier output") << Medium::NoRoomForTheCopy << u"no-space"_s
                                                       << u"前の内容を残せないため、置き換えませんでした（容量不足です"_s;
}

// What the system says about the medium reaches the user in the right words
// and under the right name for scripts; the earlier output stays, no
// temporary is left.
void TestMounts::whatTheMediumSays()
{
    QFETCH(Medium, medium);
    QFETCH(QString, id);
    QFETCH(QString, words);
    const QByteArray data = testdata::encode(testdata::manyHyoRecords(400)); // 120 KiB once converted
    testdata::writeFile(src() + u"/x.hyo"_s, data);
    const QString into = place(u"out"_s);
    std::unique_ptr<TmpfsMount> mount;
    std::function<void()> limit;
    switch (medium) {
    case Medium::ReadOnlyMount:
        mount = std::make_unique<TmpfsMount>(into, u"ro,size=1m"_s);
        break;
    case Medium::FullMount:
        mount = std::make_unique<TmpfsMount>(into, u"size=64k"_s);
        break;
    case Medium::NoRoomForTheCopy:
        mount = std::make_unique<TmpfsMount>(into, u"size=300k"_s);
        break;
    case Medium::FileSizeLimit:
        limit = [] {
            const rlimit small{16384, 16384};
            setrlimit(RLIMIT_FSIZE, &small);
        };
        break;
    case Medium::ReadOnlyOutput:
    case Medium::ImmutableOutput:
        break;
    }
    if (mount && !mount->isMounted())
        QSKIP("this machine does not let the test mount a tmpfs");
    QVERIFY(QDir().mkpath(into));
    const QString earlier = into + u"/x.hy3"_s;
    const QByteArray earlierBytes = medium == Medium::NoRoomForTheCopy ? QByteArray(120 * 1024, 'E') : QByteArray("EARLIER");
    const bool hasEarlier = medium == Medium::ReadOnlyOutput || medium == Medium::ImmutableOutput
        || medium == Medium::NoRoomForTheCopy;
    if (hasEarlier) {
        testdata::writeFile(earlier, earlierBytes);
        QVERIFY(QFile::setPermissions(earlier, medium == Medium::ReadOnlyOutput ? QFile::ReadOwner | QFile::ReadOther
                                                                                : QFile::ReadOwner | QFile::WriteOwner));
        if (medium == Medium::ImmutableOutput && QProcess::execute(u"chattr"_s, {u"+i"_s, earlier}) != 0)
            QSKIP("this machine does not let the test make a file immutable");
    }

    const testdata::Run run = testdata::hy3conv({u"convert"_s, u"--json"_s, u"-b"_s, u"-o"_s, into, src()}, limit);
    if (medium == Medium::ImmutableOutput)
        QProcess::execute(u"chattr"_s, {u"-i"_s, earlier});

    QCOMPARE(run.exitCode, 1);
    const QJsonObject file = jsonOf(run).value(u"files"_s).toArray().first().toObject();
    QCOMPARE(file.value(u"result"_s).toString(), u"failed"_s);
    QCOMPARE(file.value(u"error"_s).toObject().value(u"code"_s).toString(), id);
    QVERIFY2(run.err.contains(words) && run.err.contains(u"x.hy3"_s), qPrintable(run.err));
    QCOMPARE(temporaries(into), 0);
    if (hasEarlier)
        QCOMPARE(testdata::readFile(earlier), earlierBytes);
    if (medium == Medium::NoRoomForTheCopy)
        QCOMPARE(QDir(into).entryList(QDir::Files | QDir::Hidden), QStringList{u"x.hy3"_s}); // no half copy either
}

QTEST_GUILESS_MAIN(TestMounts)
#include "tst_mounts.moc"
