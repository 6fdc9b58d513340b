// SPDX-License-Identifier: MIT
// Failures in the middle of things: every system call of a batch failing in
// turn, the order the calls must come in, another program moving things
// between two calls, writes that stop part-way, hostile headers. Whatever
// happens, a file reported converted is complete, a failure names its file in
// Japanese, an earlier result stays whole, no temporary is left, and the
// sources are untouched.

#include "format/dataerror.h"
#include "format/datafile.h"
#include "engine/drive.h"
#include "engine/engine.h"
#include "files/paths.h"
#include "fs/faults.h"
#include "fs/tempfile.h"
#include "messages.h"
#include "testdata.h"
#include "engine/writtenoutputs.h"

#include <QDir>
#include <QProcess>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <thread>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;
using namespace hy3;
using fs::sys::Call;

namespace {

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
        if (written.size() + size > m_capacity)
            return -1;
        written.append(data, size);
        return size;
    }

private:
    qint64 m_capacity;
};

enum class Expect { Fail, Succeed, Either };

#ifdef Q_OS_WIN
constexpr int kIo = ERROR_IO_DEVICE;
constexpr int kNoSpace = ERROR_DISK_FULL;
constexpr int kNoPermission = ERROR_ACCESS_DENIED;
constexpr int kTooMany = ERROR_TOO_MANY_OPEN_FILES;
constexpr int kNotFound = ERROR_FILE_NOT_FOUND;
constexpr int kNotSupported = ERROR_NOT_SUPPORTED;
#else
constexpr int kIo = EIO;
constexpr int kNoSpace = ENOSPC;
constexpr int kNoPermission = EACCES;
constexpr int kTooMany = EMFILE;
constexpr int kNotFound = ENOENT;
constexpr int kNotSupported = EOPNOTSUPP;
#endif

const QStringList kNames{u"a.hyo"_s, u"b.hyo"_s, u"c.hyo"_s};

// Whether the system writes a file's data out without a full flush (wine
// does not: there each file is flushed on its own, as on older Windows).
bool systemWritesOutAlone(const QString &folder)
{
    auto opened = std::make_shared<fs::sys::Folder>();
    std::unique_ptr<fs::TemporaryFile> file;
    if (fs::sys::openFolder(fs::toNative(fs::withSeparator(folder)), *opened)
        || fs::TemporaryFile::create(opened, file, true))
        return false;
    return file->writeOut().cause != Cause::Unsupported;
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyCallFailsInTurn_data();
    void everyCallFailsInTurn();
    void callsComeInTheDurableOrder_data();
    void callsComeInTheDurableOrder();
    void tooManyOpenFilesCommitsAndGoesOn_data();
    void tooManyOpenFilesCommitsAndGoesOn();
    void anotherProgramBetweenTwoCalls_data();
    void anotherProgramBetweenTwoCalls();
    void aSweepTakesANewTemporary();
    void foldersMadeForNothingGo_data();
    void foldersMadeForNothingGo();
    void aClashOnlyWithAnOutputThatWasWritten();
    void concurrentReplacementIsNoClash();
    void sameFileUnderAnotherName();
    void namesDifferingInCase_data();
    void namesDifferingInCase();
    void aNameTheFileSystemRefuses();
    void everyOutputOfALongBatchIsFound_data();
    void everyOutputOfALongBatchIsFound();
    void whatWindowsDoesToFiles_data();
    void whatWindowsDoesToFiles();
    void limitedDestination_data();
    void limitedDestination();
    void deviceFailsPartWay_data();
    void deviceFailsPartWay();
    void hostileInput_data();
    void hostileInput();

private:
    QString src() const { return m_dir->src(); }
    QString dst() const { return m_dir->dst(); }
    QStringList dstEntries() const { return QDir(dst()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot); }
    // Converts the three files in one batch of groups of `group` files.
    // `below`: into that folder under dst(), made on the way.
    // `keepEarlier`: each earlier output copied beside it (name~) before it is replaced.
    QList<Outcome> convertAll(int group = 256, bool overwrite = true, const QString &below = {}, bool keepEarlier = false);
    QByteArray expected(const QString &name) const;

    std::unique_ptr<testdata::Workspace> m_dir;
    QMap<QString, testdata::FileSnapshot> m_sources;
};

void TestFaults::init()
{
    m_dir = std::make_unique<testdata::Workspace>();
    QVERIFY(m_dir->isValid());
    // Outputs above the write buffer, so that some take several writes, and
    // one large enough that the disk is asked to start on it while it is written.
    const QList<int> counts{2000, 2, 40};
    for (qsizetype i = 0; i < kNames.size(); ++i)
        testdata::writeFile(src() + u'/' + kNames[i], testdata::encode(testdata::manyHyoRecords(counts[i])));
    m_sources.clear();
    for (const QString &name : QDir(src()).entryList(QDir::Files))
        m_sources.insert(name, testdata::snapshot(src() + u'/' + name));
    fs::sys::testing::clear();
}

void TestFaults::cleanup()
{
    fs::sys::testing::clear();
    QCOMPARE(fs::registeredTemporaries(), 0);
    for (auto it = m_sources.cbegin(); it != m_sources.cend(); ++it) {
        const QString path = src() + u'/' + it.key();
        if (QFile::exists(path))
            QVERIFY2(testdata::snapshot(path) == it.value(), qPrintable(it.key()));
    }
}

QList<Outcome> TestFaults::convertAll(int group, bool overwrite, const QString &below, bool keepEarlier)
{
    EngineSettings settings;
    if (keepEarlier)
        settings.backup.naming = BackupPolicy::Naming::Simple;
    settings.groupFiles = group;
    settings.overwrite = overwrite;
    settings.makeFolders = MakeFolders::Below;
    QList<Outcome> outcomes;
    Engine engine(settings, [&outcomes](const Outcome &outcome) { outcomes.append(outcome); });
    fs::FolderPath destination(dst()); // the folders below it made one by one
    for (const QString &name : below.split(u'/', Qt::SkipEmptyParts))
        destination = destination.child(name);
    // As the front ends run it: the sources are read ahead of the engine.
    qsizetype next = 0;
    (void)drive(
        engine,
        [&]() -> std::optional<NextJob> {
            if (next == kNames.size())
                return std::nullopt;
            const QString &name = kNames[next++];
            return NextJob{{{fs::FolderPath(src()), name}, {destination, destinationFileName(name)}, DataKind::Standard}, {}};
        },
        {});
    return outcomes;
}

QByteArray TestFaults::expected(const QString &name) const
{
    qint16 count = 0;
    return convertBytes(DataKind::Standard, testdata::readFile(src() + u'/' + name), {}, count);
}

void TestFaults::everyCallFailsInTurn_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<int>("code");
    QTest::addColumn<Expect>("expect");
    QTest::addColumn<bool>("fileSystemFlushFails"); // so that each file is asked for its own result
    QTest::addColumn<QString>("below"); // outputs into new folders below the destination
    QTest::addRow("open a folder") << Call::OpenFolder << kNoPermission << Expect::Fail << false << QString();
    QTest::addRow("make a folder") << Call::MakeFolder << kNoPermission << Expect::Fail << false << u"new/deeper"_s;
    QTest::addRow("list a folder: the sweep") << Call::ListFolder << kIo << Expect::Succeed << false << QString();
    QTest::addRow("look at a file") << Call::Stat << kIo << Expect::Either << false << QString();
    // Into new folders: with no earlier output there, every open and read is a source's.
    QTest::addRow("open a source") << Call::Open << kNoPermission << Expect::Fail << false << u"new"_s;
    QTest::addRow("read") << Call::Read << kIo << Expect::Fail << false << u"new"_s;
    // An earlier output that can't be read to be compared is replaced, or the file fails.
    QTest::addRow("open or read beside earlier outputs") << Call::Read << kIo << Expect::Either << false << QString();
    QTest::addRow("create a temporary") << Call::Create << kNoSpace << Expect::Fail << false << QString();
    QTest::addRow("write") << Call::Write << kNoSpace << Expect::Fail << false << QString();
    QTest::addRow("flush a file") << Call::SyncData << kIo << Expect::Fail << true << QString();
    QTest::addRow("write a file out") << Call::WriteOut << kIo << Expect::Fail << false << QString();
    QTest::addRow("rename") << Call::Rename << kIo << Expect::Fail << false << QString();
    QTest::addRow("flush a folder") << Call::SyncFolder << kIo << Expect::Fail << false << QString();
    QTest::addRow("close") << Call::Close << kIo << Expect::Succeed << false << QString();
#ifndef Q_OS_WIN
    QTest::addRow("lock a temporary") << Call::Lock << EIO << Expect::Fail << false << QString();
    QTest::addRow("flush the file system") << Call::SyncFileSystem << EIO << Expect::Succeed << false << QString();
#endif
#ifdef Q_OS_LINUX
    QTest::addRow("start writing to the disk") << Call::StartWriteBack << EIO << Expect::Fail << false << QString();
    // New outputs are made without a name and given theirs in one step.
    QTest::addRow("name a new output") << Call::Link << EIO << Expect::Fail << false << u"new"_s;
#endif
}

// Each call of the kind, in turn, fails once: each file of the batch is then
// either converted whole or failed with the cause in Japanese and its
// earlier result intact; only a failed flush of a folder comes after the new
// file is in place, and says so.
void TestFaults::everyCallFailsInTurn()
{
    QFETCH(Call, call);
    QFETCH(int, code);
    QFETCH(Expect, expect);
    QFETCH(bool, fileSystemFlushFails);
    QFETCH(QString, below);
    const QString outputs = below.isEmpty() ? dst() : dst() + u'/' + below;
    // Each run starts from earlier outputs, or from no output folder at all.
    const QByteArray earlier = below.isEmpty() ? QByteArray("EARLIER") : QByteArray();
    const auto arrange = [&] {
        if (below.isEmpty()) {
            for (const QString &name : kNames) {
                const QString output = outputs + u'/' + QString(name).replace(u".hyo"_s, u".hy3"_s);
                testdata::writeFile(output, earlier);
                QFile::remove(output + u'~');
            }
        } else {
            QVERIFY(QDir(dst() + u'/' + below.section(u'/', 0, 0)).removeRecursively());
        }
        fs::sys::testing::clear();
        if (fileSystemFlushFails)
            fs::sys::testing::failEvery(Call::SyncFileSystem, kIo);
        if (call == Call::WriteOut) { // as on a local Windows volume
            fs::sys::testing::failEvery(Call::StatFileSystem, kIo);
            fs::sys::testing::pretendBatchFlushCovers(true);
        }
    };
    const QString cause = Messages::cause(fs::sys::fromSystem(code).during(Action::None));
    arrange();
    QList<Outcome> outcomes = convertAll(2, true, below, below.isEmpty());
    const int calls = fs::sys::testing::calls(call);
    QVERIFY2(calls > 0, fs::sys::testing::name(call));
    for (const Outcome &outcome : outcomes)
        QCOMPARE(outcome.result, Outcome::Result::Converted);

    for (int n = 1; n <= calls; ++n) {
        const QByteArray at = QByteArray(fs::sys::testing::name(call)) + " #" + QByteArray::number(n);
        arrange();
        fs::sys::testing::failCall(call, n, code);
        outcomes = convertAll(2, true, below, below.isEmpty());
        QCOMPARE(outcomes.size(), kNames.size());
        bool anyFailed = false;
        for (qsizetype i = 0; i < outcomes.size(); ++i) {
            const Outcome &outcome = outcomes[i];
            const QString output = outputs + u'/' + QString(kNames[i]).replace(u".hyo"_s, u".hy3"_s);
            if (outcome.result == Outcome::Result::Converted) {
                QVERIFY2(testdata::readFile(output) == expected(kNames[i]), at.constData());
                if (below.isEmpty()) // replaced only once its earlier file was kept
                    QVERIFY2(testdata::readFile(output + u'~') == earlier, at.constData());
                continue;
            }
            anyFailed = true;
            QCOMPARE(outcome.result, Outcome::Result::Failed);
            const QString message = Messages::failureOf(outcome);
            QVERIFY2(message.contains(kNames[i].chopped(4)) && message.contains(cause),
                     qPrintable(QString::fromLatin1(at) + u": "_s + message));
            const bool inPlace = outcome.failure.action == Action::MakeDurable;
            QVERIFY2(QFile::exists(output) == (inPlace || below.isEmpty()), at.constData());
            if (QFile::exists(output))
                QVERIFY2(testdata::readFile(output) == (inPlace ? expected(kNames[i]) : earlier), at.constData());
        }
        if (expect != Expect::Either)
            QVERIFY2(anyFailed == (expect == Expect::Fail), at.constData());
        const bool anyConverted = std::any_of(outcomes.cbegin(), outcomes.cend(), [](const Outcome &outcome) {
            return outcome.result == Outcome::Result::Converted || outcome.failure.action == Action::MakeDurable;
        });
        if (!below.isEmpty() && !anyConverted) // no folder made for files that all failed
            QVERIFY2(!QFileInfo::exists(dst() + u'/' + below.section(u'/', 0, 0)), at.constData());
        const QStringList left = QDir(outputs).entryList(QDir::Files | QDir::Hidden | QDir::System);
        QVERIFY2(left.filter(u".tmp"_s).isEmpty(), qPrintable(left.join(u' '))); // no temporary left
        QVERIFY2(fs::registeredTemporaries() == 0, at.constData());
    }
}

enum class Flush {
    WholeFileSystem,
    WholeFileSystemFails,
    NotCoveredByIt,
    KernelSaysLess,
    Batch,
    BatchWithoutWritingOut,
    BatchFlushFails,
};

void TestFaults::callsComeInTheDurableOrder_data()
{
    QTest::addColumn<Flush>("flush");
    QTest::addRow("the file system flushed") << Flush::WholeFileSystem;
    QTest::addRow("its flush failed: each file asked") << Flush::WholeFileSystemFails;
    QTest::addRow("a file system its flush does not reach (unknown): each file flushed") << Flush::NotCoveredByIt;
    QTest::addRow("a kernel whose flush does not report others' errors: each file flushed") << Flush::KernelSaysLess;
    QTest::addRow("a local volume: each file written out, then one full flush") << Flush::Batch;
    QTest::addRow("no call to write out alone: each file flushed") << Flush::BatchWithoutWritingOut;
    QTest::addRow("the one full flush failed: each file flushed") << Flush::BatchFlushFails;
}

// The guarantee of a flush per file: every file's data is flushed (its file
// system's, or its own) before any of its group is renamed, and each folder
// is flushed after the renames.
void TestFaults::callsComeInTheDurableOrder()
{
    QFETCH(Flush, flush);
    switch (flush) {
    case Flush::WholeFileSystem:
        break;
    case Flush::WholeFileSystemFails:
        fs::sys::testing::failEvery(Call::SyncFileSystem, kIo);
        break;
    case Flush::NotCoveredByIt:
        fs::sys::testing::failEvery(Call::StatFileSystem, kIo);
        break;
    case Flush::KernelSaysLess:
        fs::sys::testing::pretendFileSystemSyncReportsErrors(false);
        break;
    case Flush::Batch:
    case Flush::BatchWithoutWritingOut:
    case Flush::BatchFlushFails:
        if (flush != Flush::BatchWithoutWritingOut && !systemWritesOutAlone(dst()))
            QSKIP("this system cannot write a file out alone; the row without it is its way");
        fs::sys::testing::clear(); // the question asked is no part of the trace
        fs::sys::testing::failEvery(Call::StatFileSystem, kIo); // not one flush of the file system
        fs::sys::testing::pretendBatchFlushCovers(true);
        if (flush == Flush::BatchWithoutWritingOut)
            fs::sys::testing::failEvery(Call::WriteOut, kNotSupported);
        if (flush == Flush::BatchFlushFails)
            fs::sys::testing::failCall(Call::SyncData, 1, kIo);
        break;
    }
    const QList<Outcome> outcomes = convertAll(256);
    for (const Outcome &outcome : outcomes)
        QCOMPARE(outcome.result, Outcome::Result::Converted);
    const std::vector<Call> trace = fs::sys::testing::trace();
    const auto count = [&](Call call) { return std::count(trace.begin(), trace.end(), call); };
    const auto first = [&](Call call) { return std::find(trace.begin(), trace.end(), call) - trace.begin(); };
    const auto last = [&](Call call) { return trace.rend() - std::find(trace.rbegin(), trace.rend(), call) - 1; };
    // A commit gives an output its name: a rename, or a link for one that had none.
    std::vector<std::ptrdiff_t> commits;
    for (auto at = std::find(trace.begin(), trace.end(), Call::Write); at != trace.end(); ++at) {
        if (*at == Call::Rename || *at == Call::Link)
            commits.push_back(at - trace.begin());
    }
    QCOMPARE(count(Call::Create), kNames.size());
    QCOMPARE(commits.size(), kNames.size());
    QVERIFY(commits.front() > last(Call::Write));
    QCOMPARE(count(Call::SyncFolder), 1);
    QVERIFY(commits.back() < first(Call::SyncFolder));
    if (count(Call::SyncFileSystem) > 0) { // once for the group
        QCOMPARE(count(Call::SyncFileSystem), 1);
        QVERIFY(last(Call::Write) < first(Call::SyncFileSystem));
        QVERIFY(first(Call::SyncFileSystem) < commits.front());
    }
    if (flush == Flush::NotCoveredByIt || flush >= Flush::Batch)
        QCOMPARE(count(Call::SyncFileSystem), 0);
    if (flush == Flush::Batch) {
        QCOMPARE(count(Call::WriteOut), kNames.size());
        QCOMPARE(count(Call::SyncData), 1);
        QVERIFY(last(Call::Write) < first(Call::WriteOut));
        QVERIFY(last(Call::WriteOut) < first(Call::SyncData));
        QVERIFY(first(Call::SyncData) < commits.front());
        return;
    }
    const bool ownFlushes = count(Call::SyncFileSystem) == 0 || flush != Flush::WholeFileSystem;
    QCOMPARE(count(Call::SyncData), (ownFlushes ? kNames.size() : 0) + (flush == Flush::BatchFlushFails ? 1 : 0));
    if (ownFlushes) {
        QVERIFY(last(Call::Write) < first(Call::SyncData));
        QVERIFY(last(Call::SyncData) < commits.front());
    }
}

void TestFaults::tooManyOpenFilesCommitsAndGoesOn_data()
{
    QTest::addColumn<Call>("call");
    QTest::addRow("creating the second temporary") << Call::Create;
    QTest::addRow("opening the second source (ahead of the engine)") << Call::Open;
}

// Out of file handles while a group holds some open: the group is committed
// and the file tried again, and it goes through.
void TestFaults::tooManyOpenFilesCommitsAndGoesOn()
{
    QFETCH(Call, call);
    fs::sys::testing::failCall(call, 2, kTooMany);
    const QList<Outcome> outcomes = convertAll(256);
    for (qsizetype i = 0; i < outcomes.size(); ++i) {
        QCOMPARE(outcomes[i].result, Outcome::Result::Converted);
        QCOMPARE(testdata::readFile(outcomes[i].destination), expected(kNames[i]));
    }
}

enum class Move { FileAtOutput, LinkAtOutput, PipeForSource };

void TestFaults::anotherProgramBetweenTwoCalls_data()
{
    QTest::addColumn<Move>("move");
    QTest::addColumn<Call>("before");
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<Outcome::Result>("result");
    QTest::addColumn<Cause>("cause");
    QTest::addRow("a file put where --no-overwrite renames") << Move::FileAtOutput << Call::Rename << false
                                                              << Outcome::Result::Kept << Cause::None;
#ifndef Q_OS_WIN
    QTest::addRow("a link put where the output goes") << Move::LinkAtOutput << Call::SyncFileSystem << true
                                                      << Outcome::Result::Failed << Cause::LinkInTheWay;
    QTest::addRow("a pipe put where the source was") << Move::PipeForSource << Call::Open << true
                                                     << Outcome::Result::Failed << Cause::NotRegularFile;
#endif
}

// What another program does between the look and the act is never
// overwritten, followed or waited on.
void TestFaults::anotherProgramBetweenTwoCalls()
{
    QFETCH(Move, move);
    QFETCH(Call, before);
    QFETCH(bool, overwrite);
    const QString output = dst() + u"/a.hy3"_s;
    const QString source = src() + u"/a.hyo"_s;
    fs::sys::testing::beforeCall(before, 1, [&] {
        switch (move) {
        case Move::FileAtOutput:
            testdata::writeFile(output, "ANOTHER PROGRAM'S");
            break;
        case Move::LinkAtOutput:
#ifndef Q_OS_WIN
            QCOMPARE(::symlink("elsewhere.hy3", QFile::encodeName(output).constData()), 0);
#endif
            break;
        case Move::PipeForSource:
#ifndef Q_OS_WIN
            QVERIFY(QFile::remove(source));
            QCOMPARE(::mkfifo(QFile::encodeName(source).constData(), 0600), 0);
            m_sources.remove(u"a.hyo"_s);
#endif
            break;
        }
    });
#ifndef Q_OS_WIN
    ::alarm(60); // a pipe opened so that it blocks would hang here
#endif
    const QList<Outcome> outcomes = convertAll(256, overwrite);
#ifndef Q_OS_WIN
    ::alarm(0);
#endif
    QTEST(outcomes.first().result, "result");
    QTEST(outcomes.first().failure.cause, "cause");
    if (move == Move::FileAtOutput)
        QCOMPARE(testdata::readFile(output), QByteArray("ANOTHER PROGRAM'S"));
    if (move == Move::LinkAtOutput) {
        QCOMPARE(QFileInfo(output).symLinkTarget(), dst() + u"/elsewhere.hy3"_s);
        QVERIFY(!QFile::exists(dst() + u"/elsewhere.hy3"_s));
    }
    QCOMPARE(outcomes[1].result, Outcome::Result::Converted);
}

// Another run's sweep takes our new temporary before we lock it (where the
// file system can't make a file without a name): another name will do.
void TestFaults::aSweepTakesANewTemporary()
{
#ifdef Q_OS_WIN
    QSKIP("a new file there is shut to other programs from its creation");
#else
    fs::sys::testing::failCall(Call::Create, 1, EOPNOTSUPP); // no file without a name here
    fs::sys::testing::beforeCall(Call::Lock, 1, [this] {
        for (const QString &name : QDir(dst()).entryList({u"~hy3-converter-*.tmp"_s}, QDir::Files | QDir::Hidden))
            QVERIFY(QFile::remove(dst() + u'/' + name));
    });
    const QList<Outcome> outcomes = convertAll();
    for (qsizetype i = 0; i < outcomes.size(); ++i) {
        QCOMPARE(outcomes[i].result, Outcome::Result::Converted);
        QCOMPARE(testdata::readFile(outcomes[i].destination), expected(kNames[i]));
    }
#endif
}

// Two sources for one output, and the first fails at its last step: the
// second is no clash with an output that was never written.
void TestFaults::aClashOnlyWithAnOutputThatWasWritten()
{
    QVERIFY(QDir().mkpath(src() + u"/two"_s));
    testdata::writeFile(src() + u"/two/a.hyo"_s, testdata::encode(testdata::manyHyoRecords(4)));
    fs::sys::testing::failCall(Call::Rename, 1, kIo);
    QList<Outcome> outcomes;
    Engine engine({}, [&](const Outcome &outcome) { outcomes.append(outcome); });
    for (const QString &source : {src() + u"/a.hyo"_s, src() + u"/two/a.hyo"_s})
        engine.add(testdata::job(source, dst() + u"/a.hy3"_s));
    engine.finish();
    QCOMPARE(outcomes[0].result, Outcome::Result::Failed);
    QCOMPARE(outcomes[1].result, Outcome::Result::Converted);
    QCOMPARE(testdata::readFile(dst() + u"/a.hy3"_s).left(2), testdata::le16(4));
}

void TestFaults::foldersMadeForNothingGo_data()
{
    QTest::addColumn<bool>("namedFolderMissing"); // made with its parents (hy3conv -o), or only below it
    QTest::addRow("folders below the one named") << false;
    QTest::addRow("the folder named and its parents") << true;
}

// A folder made on the way to outputs that all failed is not left behind;
// one that holds an output stays.
void TestFaults::foldersMadeForNothingGo()
{
    QFETCH(bool, namedFolderMissing);
    const auto convert = [&] {
        EngineSettings settings;
        settings.makeFolders = namedFolderMissing ? MakeFolders::All : MakeFolders::Below;
        QList<Outcome> outcomes;
        Engine engine(settings, [&outcomes](const Outcome &outcome) { outcomes.append(outcome); });
        const fs::FolderPath destination = namedFolderMissing
            ? fs::FolderPath(dst() + u"/new/deeper"_s)
            : fs::FolderPath(dst()).child(u"new"_s).child(u"deeper"_s);
        for (const QString &name : kNames)
            engine.add({{fs::FolderPath(src()), name}, {destination, destinationFileName(name)}, DataKind::Standard});
        engine.finish();
        return outcomes;
    };
    fs::sys::testing::failEvery(Call::Create, kNoSpace);
    for (const Outcome &outcome : convert())
        QCOMPARE(outcome.result, Outcome::Result::Failed);
    QCOMPARE(dstEntries(), QStringList());

    fs::sys::testing::clear();
    fs::sys::testing::failCall(Call::Create, 2, kNoSpace);
    QCOMPARE(convert()[0].result, Outcome::Result::Converted);
    QCOMPARE(QDir(dst() + u"/new/deeper"_s).entryList(QDir::Files), (QStringList{u"a.hy3"_s, u"c.hy3"_s}));
}

// Another run replaced an output of ours, so its file's number was free and
// came back as a file of that run under another name: that is no clash.
void TestFaults::concurrentReplacementIsNoClash()
{
#ifdef Q_OS_WIN
    QSKIP("needs hard links made by the test");
#else
    EngineSettings settings;
    settings.groupFiles = 1;
    QList<Outcome> outcomes;
    Engine engine(settings, [&](const Outcome &outcome) {
        outcomes.append(outcome);
        if (outcome.destination.endsWith(u"a.hy3"_s)) {
            // b.hy3 is now the very file a.hy3 was, and a.hy3 another one.
            QCOMPARE(::link(QFile::encodeName(dst() + u"/a.hy3"_s).constData(),
                            QFile::encodeName(dst() + u"/b.hy3"_s).constData()),
                     0);
            testdata::writeFile(dst() + u"/new.tmp"_s, "THE OTHER RUN'S");
            QVERIFY(QFile::rename(dst() + u"/new.tmp"_s, dst() + u"/a.hy3"_s) || (QFile::remove(dst() + u"/a.hy3"_s)
                                                                                 && QFile::rename(dst() + u"/new.tmp"_s, dst() + u"/a.hy3"_s)));
        }
    });
    for (const QString &name : {u"a.hyo"_s, u"b.hyo"_s}) {
        const ConversionPaths paths = pathsFor(src(), dst(), name);
        engine.add(testdata::job(paths.source, paths.destination));
    }
    engine.finish();
    QCOMPARE(outcomes.size(), 2);
    QCOMPARE(outcomes[1].result, Outcome::Result::Converted);
    QCOMPARE(testdata::readFile(dst() + u"/b.hy3"_s), expected(u"b.hyo"_s));
#endif
}

// On a medium where ABC.hy3 and abc.hy3 are one file, the second is not
// written over the first; a hard link made as soon as the first is written
// stands in for such a medium here.
void TestFaults::sameFileUnderAnotherName()
{
#ifdef Q_OS_WIN
    QSKIP("needs hard links made by the test");
#else
    testdata::writeFile(src() + u"/ABC.hyo"_s, testdata::encode(testdata::manyHyoRecords(3)));
    testdata::writeFile(src() + u"/abc.hyo"_s, testdata::encode(testdata::manyHyoRecords(4)));
    EngineSettings settings;
    settings.groupFiles = 1;
    QList<Outcome> outcomes;
    Engine engine(settings, [&](const Outcome &outcome) {
        outcomes.append(outcome);
        if (outcome.destination.endsWith(u"ABC.hy3"_s))
            QCOMPARE(::link(QFile::encodeName(dst() + u"/ABC.hy3"_s).constData(),
                            QFile::encodeName(dst() + u"/abc.hy3"_s).constData()),
                     0);
    });
    for (const QString &name : {u"ABC.hyo"_s, u"abc.hyo"_s}) {
        const ConversionPaths paths = pathsFor(src(), dst(), name);
        engine.add(testdata::job(paths.source, paths.destination));
    }
    engine.finish();
    QCOMPARE(outcomes[1].result, Outcome::Result::Failed);
    QCOMPARE(outcomes[1].failure.cause, Cause::Clash);
    const QString message = Messages::failureOf(outcomes[1]);
    QVERIFY2(message.contains(u"abc.hyo"_s) && message.contains(u"ABC.hyo"_s), qPrintable(message));
    QCOMPARE(testdata::readFile(dst() + u"/ABC.hy3"_s).left(2), testdata::le16(3));
#endif
}

// Two sources whose outputs differ only in case: one output where the folder
// folds case (Windows and wine; exFAT through FUSE, which gives each spelling
// a number of its own), two where it does not; never one written over the other.
void TestFaults::namesDifferingInCase_data()
{
    QTest::addColumn<bool>("foldingAsFuse");
    QTest::addRow("the folder as it is") << false;
    QTest::addRow("a folder that folds case, without one number per file") << true;
}

// Every temporary of ours gets a twin in capitals as soon as it exists: what
// a folder that folds case answers when the converter asks for that spelling.
static void answerAsAFoldingFolder(const QString &folder)
{
    for (const QString &name : QDir(folder).entryList({u"~hy3-converter-*.tmp"_s}, QDir::Files | QDir::Hidden)) {
        if (!QFile::exists(folder + u'/' + name.toUpper()))
            testdata::writeFile(folder + u'/' + name.toUpper(), "TWIN");
    }
    fs::sys::testing::beforeCall(Call::Stat, 1, [folder] { answerAsAFoldingFolder(folder); });
}

void TestFaults::namesDifferingInCase()
{
    QFETCH(bool, foldingAsFuse);
    QVERIFY(QDir().mkpath(src() + u"/one"_s) && QDir().mkpath(src() + u"/two"_s));
    testdata::writeFile(src() + u"/one/Route.hyo"_s, testdata::encode(testdata::manyHyoRecords(3)));
    testdata::writeFile(src() + u"/two/route.hyo"_s, testdata::encode(testdata::manyHyoRecords(4)));
    if (foldingAsFuse)
        fs::sys::testing::beforeCall(Call::Stat, 1, [this] { answerAsAFoldingFolder(dst()); });
    QList<Outcome> outcomes;
    Engine engine({}, [&](const Outcome &outcome) { outcomes.append(outcome); });
    for (const QString &name : {u"one/Route.hyo"_s, u"two/route.hyo"_s})
        engine.add(testdata::job(src() + u'/' + name, dst() + u'/' + name.mid(4).replace(u".hyo"_s, u".hy3"_s)));
    engine.finish();
    fs::sys::testing::clear();
    QCOMPARE(outcomes[0].result, Outcome::Result::Converted);
    const bool folds = foldingAsFuse || QFile::exists(dst() + u"/ROUTE.hy3"_s);
    QCOMPARE(outcomes[1].result, folds ? Outcome::Result::Failed : Outcome::Result::Converted);
    if (folds) {
        QCOMPARE(outcomes[1].failure.cause, Cause::Clash);
        if (!foldingAsFuse)
            QCOMPARE(dstEntries(), QStringList{u"Route.hy3"_s});
    }
    QCOMPARE(testdata::readFile(dst() + u"/Route.hy3"_s).left(2), testdata::le16(3));
}

// A file system that can't store a name (":" on exFAT) says "not found" for
// a rename whose folder and file are both there: the name is the cause.
void TestFaults::aNameTheFileSystemRefuses()
{
    fs::sys::testing::failCall(Call::Rename, 1, kNotFound);
    const QList<Outcome> outcomes = convertAll();
    QCOMPARE(outcomes[0].result, Outcome::Result::Failed);
    QCOMPARE(outcomes[0].failure.cause, Cause::InvalidName);
    QCOMPARE(outcomes[1].result, Outcome::Result::Converted);
    QCOMPARE(dstEntries(), (QStringList{u"b.hy3"_s, u"c.hy3"_s}));
}

// Thousands of outputs with long names: their names fill many blocks of text
// and the tables grow several times; each is found by name and by file, the
// forgotten ones no more.
void TestFaults::everyOutputOfALongBatchIsFound_data()
{
    QTest::addColumn<bool>("foldsCase");
    QTest::addRow("names as they are") << false;
    QTest::addRow("case folded") << true;
}

void TestFaults::everyOutputOfALongBatchIsFound()
{
    QFETCH(bool, foldsCase);
    WrittenOutputs written;
    const auto folder = [&written, foldsCase](int i) { // 100 folders, each numbered once
        const int number = written.folder({1, std::uint64_t(i % 100) + 1});
        written.setFoldsCase(number, foldsCase);
        return number;
    };
    const auto name = [](int i) { return u"%1-運賃表の長い名前.hy3"_s.arg(i).repeated(3); };
    // Now and then a source in a folder whose path is longer than a block of text.
    const auto source = [](int i) {
        return (i % 500 == 7 ? u"/深い"_s.repeated(20000) : u"/src"_s) + u"/%1.hyo"_s.arg(i);
    };
    for (int i = 0; i < 3000; ++i) {
        const int number = written.add(folder(i), name(i), fs::filePath(source(i)), {7, std::uint64_t(i) + 1});
        if (i % 3 == 0)
            written.forget(number);
    }
    QCOMPARE(folder(99), 99);
    for (int i = 0; i < 3000; ++i) {
        QVERIFY(!written.byName(folder(i + 1), name(i)));
        const auto byName = written.byName(folder(i), foldsCase ? name(i).toUpper() : name(i));
        const auto byFile = written.byIdentity({7, std::uint64_t(i) + 1});
        if (i % 3 == 0) {
            QVERIFY(!byName && !byFile);
            continue;
        }
        QVERIFY2(byName && byFile, qPrintable(name(i)));
        QCOMPARE(byName->source, source(i));
        QCOMPARE(byFile->name, name(i));
    }
    QVERIFY(!written.byName(folder(0), u"missing.hy3"_s));
}

enum class WindowsRule { HeldOpen, HeldOpenForAMoment, ReadOnlyAttribute, ReservedName };

void TestFaults::whatWindowsDoesToFiles_data()
{
    QTest::addColumn<WindowsRule>("rule");
    QTest::addColumn<QString>("output");
    QTest::addColumn<Cause>("cause"); // None: converted
    QTest::addRow("an output another program holds open") << WindowsRule::HeldOpen << u"a.hy3"_s << Cause::Busy;
    QTest::addRow("an output held open for a moment") << WindowsRule::HeldOpenForAMoment << u"a.hy3"_s << Cause::None;
    QTest::addRow("an output with the read-only attribute") << WindowsRule::ReadOnlyAttribute << u"a.hy3"_s
                                                             << Cause::ReadOnlyFile;
    QTest::addRow("a name Windows keeps for a device") << WindowsRule::ReservedName << u"CON.hy3"_s
                                                        << Cause::ReservedName;
    QTest::addRow("a name ending in a dot") << WindowsRule::ReservedName << u"a..hy3."_s << Cause::ReservedName;
}

// What Windows does to files: the earlier file stays as it was, the cause is
// said, and no temporary is left; a file held only for a moment (a virus
// scanner, an indexer) is waited for.
void TestFaults::whatWindowsDoesToFiles()
{
#ifndef Q_OS_WIN
    QSKIP("sharing, attributes and device names are Windows'");
#else
    QFETCH(WindowsRule, rule);
    QFETCH(QString, output);
    QFETCH(Cause, cause);
    const QString path = dst() + u'/' + output;
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    HANDLE held = INVALID_HANDLE_VALUE;
    if (rule != WindowsRule::ReservedName) {
        testdata::writeFile(path, "EARLIER");
        if (rule == WindowsRule::ReadOnlyAttribute)
            QVERIFY(SetFileAttributesW(native.c_str(), FILE_ATTRIBUTE_READONLY));
        else // as the fare application or Excel holds a file: no sharing for deletion
            held = CreateFileW(native.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    std::thread release;
    if (rule == WindowsRule::HeldOpenForAMoment)
        release = std::thread([held] {
            Sleep(100);
            CloseHandle(held);
        });
    const Outcome outcome = testdata::convertFile(DataKind::Standard, {src() + u"/b.hyo"_s, path}).outcome;
    if (release.joinable())
        release.join();
    else if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);
    SetFileAttributesW(native.c_str(), FILE_ATTRIBUTE_NORMAL);

    QCOMPARE(outcome.failure.cause, cause);
    if (cause == Cause::None) {
        QCOMPARE(testdata::readFile(path), expected(u"b.hyo"_s));
    } else {
        QVERIFY2(Messages::failureOf(outcome).contains(output), qPrintable(Messages::failureOf(outcome)));
        if (rule != WindowsRule::ReservedName)
            QCOMPARE(testdata::readFile(path), QByteArray("EARLIER"));
    }
    QCOMPARE(dstEntries().size(), rule == WindowsRule::ReservedName ? 0 : 1); // no temporary
#endif
}

enum class Limit { FileSize, FullDisk };

#ifndef Q_OS_WIN
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
#endif

void TestFaults::limitedDestination_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("records");
    QTest::addColumn<Limit>("limit");
    QTest::addColumn<int>("bytes"); // the file-size limit
    QTest::addColumn<bool>("ignoreSignal");
    QTest::addColumn<QString>("cause");
    const QString tooLarge = u"ファイルサイズの上限"_s;
    const QString noSpace = u"容量不足"_s;

    // Outputs below the write buffer only fail when it is flushed; above it, on a write.
    QTest::addRow("1 record, size limit 0") << u"ten.hyo"_s << 1 << Limit::FileSize << 0 << true << tooLarge;
    QTest::addRow("10 records, size limit 300 bytes") << u"ten.hyo"_s << 10 << Limit::FileSize << 300 << true << tooLarge;
    QTest::addRow("200 records, one byte short") << u"ten.hyo"_s << 200 << Limit::FileSize << 2 + 200 * 310 - 1 << true
                                                 << tooLarge;
    QTest::addRow("private, 200 records, size limit 10 KiB") << u"ten.hyp"_s << 200 << Limit::FileSize << 10240 << true
                                                             << tooLarge;
    QTest::addRow("the limit's signal left as the shell set it") << u"ten.hyo"_s << 300 << Limit::FileSize << 4096
                                                                 << false << tooLarge;
    QTest::addRow("10 records, full disk") << u"ten.hyo"_s << 10 << Limit::FullDisk << 0 << true << noSpace;
    QTest::addRow("300 records, full disk") << u"ten.hyo"_s << 300 << Limit::FullDisk << 0 << true << noSpace;
}

// The earlier result survives byte for byte, nothing else is left, and the
// run fails with the cause: a size limit is a cause, never a death.
void TestFaults::limitedDestination()
{
#ifdef Q_OS_WIN
    QSKIP("file-size limits and tmpfs are POSIX");
#else
    QFETCH(QString, name);
    QFETCH(int, records);
    QFETCH(Limit, limit);
    QFETCH(int, bytes);
    QFETCH(bool, ignoreSignal);
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

    const auto lowerLimit = [bytes, ignoreSignal] {
        std::signal(SIGXFSZ, ignoreSignal ? SIG_IGN : SIG_DFL);
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
#endif
}

void TestFaults::deviceFailsPartWay_data()
{
    QTest::addColumn<qint64>("capacity");
    QTest::addRow("nothing") << qint64(0);
    QTest::addRow("half the count") << qint64(1);
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
        (void)convertBytes(DataKind::Standard, bytes, {}, count);
        QFAIL("accepted");
    } catch (const DataError &error) {
        const QString message = Messages::failure(u"hostile.hyo"_s, error.failure());
        QVERIFY2(message.contains(cause) && message.contains(u"hostile.hyo"_s), qPrintable(message));
    }
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
