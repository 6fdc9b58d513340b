// SPDX-License-Identifier: MIT
// What real folders hold, through the built hy3conv: pipes, devices and
// links named like data files, names in cp932 bytes, names of 255 bytes, a
// link where an output goes, files another user can't read, and runs killed
// in the middle of a batch.

#include "format/convert.h"
#include "fs/tempfile.h"
#include "testdata.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

#include <csignal>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace hy3;

namespace {

enum class Odd {
    Pipe,
    LinkToPipe,
    LinkToDevice,
    DanglingLink,
    FolderNamedLikeData,
    UnreadableToOthers,
    Cp932Name,
    LongestName,
    LinkAtOutput,
    DestinationNotWritable,
};

const QByteArray kCp932Name = QByteArray::fromHex("984890FC31") + ".hyo"; // 路線1.hyo
const QByteArray kLongName = QByteArray(251, 'x') + ".hyo";               // 255 bytes

QByteArray local(const QString &path)
{
    return QFile::encodeName(path);
}

// Folders below `top`, each opened from the one above, deeper than a path
// may be long (PATH_MAX), with a data file at the bottom.
bool makeDeeperThanAPath(const QString &top, const QByteArray &data)
{
    int folder = ::open(local(top).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < 25 && folder >= 0; ++level) {
        const QByteArray name = QByteArray::number(level).rightJustified(3, '0') + QByteArray(197, 'x');
        const int below = ::mkdirat(folder, name.constData(), 0755) == 0
            ? ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
        ::close(folder);
        folder = below;
    }
    if (folder < 0)
        return false;
    const int file = ::openat(folder, "deep.hyo", O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    const bool written = file >= 0 && ::write(file, data.constData(), data.size()) == data.size();
    ::close(file);
    ::close(folder);
    return written;
}

// Runs the child as "nobody", where the machine lets the test do that.
void dropToNobody()
{
    setgroups(0, nullptr);
    if (setgid(65534) != 0 || setuid(65534) != 0)
        _exit(99);
}

// Names that are not UTF-8 can't go through QFile.
QByteArray readRaw(const QByteArray &path)
{
    QFile file;
    const int handle = ::open(path.constData(), O_RDONLY);
    if (handle < 0 || !file.open(handle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return {};
    return file.readAll();
}

QByteArray converted(const QByteArray &source)
{
    qint16 count = 0;
    return convertBytes(DataKind::Standard, source, {}, count);
}

} // namespace

class TestOddFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void oddThingsInAFolder_data();
    void oddThingsInAFolder();
    void walkingFolders_data();
    void walkingFolders();
    void namesKeptApart();
    void killedMidBatch_data();
    void killedMidBatch();

private:
    QString src() const { return m_dir->src(); }
    QString dst() const { return m_dir->dst(); }
    int temporaries() const
    {
        return static_cast<int>(QDir(dst()).entryList({u"~hy3-converter-*.tmp"_s}, QDir::Files | QDir::Hidden).size());
    }

    std::unique_ptr<testdata::Workspace> m_dir;
};

void TestOddFiles::init()
{
    m_dir = std::make_unique<testdata::Workspace>();
    QVERIFY(m_dir->isValid());
}

void TestOddFiles::oddThingsInAFolder_data()
{
    QTest::addColumn<Odd>("odd");
    QTest::addColumn<bool>("asNobody");
    QTest::addColumn<QString>("listedAs");   // empty: passed over by the listing
    QTest::addColumn<QString>("named");      // converted by this name; empty: the whole folder
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("cause");      // in the message, when it fails
    QTest::addColumn<QByteArray>("output");  // the output's name in bytes, when one is written

    const QString notRegular = u"通常のファイルではありません"_s;
    QTest::addRow("pipe") << Odd::Pipe << false << QString() << u"x.hyo"_s << 1 << notRegular << QByteArray();
    QTest::addRow("link to a pipe") << Odd::LinkToPipe << false << QString() << u"x.hyo"_s << 1 << notRegular
                                    << QByteArray();
    QTest::addRow("link to a device") << Odd::LinkToDevice << false << QString() << u"x.hyo"_s << 1 << notRegular
                                      << QByteArray();
    QTest::addRow("dangling link") << Odd::DanglingLink << false << QString() << u"x.hyo"_s << 1
                                   << u"見つかりません"_s << QByteArray();
    QTest::addRow("folder named x.hyo") << Odd::FolderNamedLikeData << false << QString() << u"x.hyo"_s << 1
                                        << notRegular << QByteArray();
    QTest::addRow("file others can't read") << Odd::UnreadableToOthers << true << u"x.hyo"_s << u"x.hyo"_s << 1
                                            << u"アクセス権がありません"_s << QByteArray();
    QTest::addRow("name in cp932 bytes") << Odd::Cp932Name << false << u"路線1.hyo"_s << QString() << 0 << QString()
                                         << QByteArray::fromHex("984890FC31") + ".hy3";
    QTest::addRow("name of 255 bytes, replaced") << Odd::LongestName << false << QString::fromLatin1(kLongName)
                                                 << QString() << 0 << QString() << kLongName.chopped(4) + ".hy3";
    QTest::addRow("link at the output") << Odd::LinkAtOutput << false << u"x.hyo"_s << u"x.hyo"_s << 1
                                        << u"シンボリックリンク"_s << QByteArray();
    QTest::addRow("destination others can't write") << Odd::DestinationNotWritable << true << u"x.hyo"_s << u"x.hyo"_s
                                                     << 1 << u"アクセス権がありません"_s << QByteArray();
}

void TestOddFiles::oddThingsInAFolder()
{
    QFETCH(Odd, odd);
    QFETCH(bool, asNobody);
    QFETCH(QString, listedAs);
    QFETCH(QString, named);
    QFETCH(int, exitCode);
    QFETCH(QString, cause);
    QFETCH(QByteArray, output);
    if (asNobody && geteuid() != 0)
        QSKIP("needs root to run hy3conv as another user");

    const QByteArray data = testdata::encode(testdata::manyHyoRecords(3));
    testdata::writeFile(src() + u"/good.hyo"_s, data);
    const QByteArray x = local(src() + u"/x.hyo"_s);
    const QString outside = m_dir->filePath(u"outside.txt"_s);
    switch (odd) {
    case Odd::Pipe:
        QCOMPARE(::mkfifo(x.constData(), 0644), 0);
        break;
    case Odd::LinkToPipe:
        QCOMPARE(::mkfifo(local(src() + u"/pipe"_s).constData(), 0644), 0);
        QCOMPARE(::symlink("pipe", x.constData()), 0);
        break;
    case Odd::LinkToDevice:
        QCOMPARE(::symlink("/dev/zero", x.constData()), 0);
        break;
    case Odd::DanglingLink:
        QCOMPARE(::symlink("nowhere", x.constData()), 0);
        break;
    case Odd::FolderNamedLikeData:
        QVERIFY(QDir().mkdir(src() + u"/x.hyo"_s));
        break;
    case Odd::UnreadableToOthers:
        testdata::writeFile(src() + u"/x.hyo"_s, data);
        QCOMPARE(::chmod(x.constData(), 0600), 0);
        break;
    case Odd::Cp932Name:
    case Odd::LongestName:
        testdata::writeFile(src() + u"/x.hyo"_s, data);
        QCOMPARE(::rename(x.constData(), (local(src()) + '/' + (odd == Odd::Cp932Name ? kCp932Name : kLongName)).constData()), 0);
        // An earlier output of that name, to be replaced.
        testdata::writeFile(dst() + u"/earlier"_s, "EARLIER");
        QCOMPARE(::rename(local(dst() + u"/earlier"_s).constData(), (local(dst()) + '/' + output).constData()), 0);
        break;
    case Odd::LinkAtOutput:
        testdata::writeFile(src() + u"/x.hyo"_s, data);
        testdata::writeFile(outside, "REPORT");
        QCOMPARE(::symlink("../outside.txt", local(dst() + u"/x.hy3"_s).constData()), 0);
        break;
    case Odd::DestinationNotWritable:
        testdata::writeFile(src() + u"/x.hyo"_s, data);
        break;
    }
    if (asNobody) {
        for (const QString &folder : {m_dir->path(), src(), dst()})
            QCOMPARE(::chmod(local(folder).constData(), 0755), 0);
    }
    const std::function<void()> as = asNobody ? std::function<void()>(dropToNobody) : std::function<void()>();

    const testdata::Run list = testdata::hy3conv({u"list"_s, u"--kind"_s, u"hyo"_s, src()}, as);
    // A file that can't be read is reported by name, and the rest are listed.
    const bool unreadable = odd == Odd::UnreadableToOthers;
    QCOMPARE(list.exitCode, unreadable ? 1 : 0);
    if (unreadable)
        QVERIFY2(list.err.contains(u"x.hyo"_s) && list.err.contains(cause), qPrintable(list.err));
    QVERIFY2(list.out.contains(u"good.hyo\t"_s), qPrintable(list.out));
    if (!listedAs.isEmpty() && !unreadable)
        QVERIFY2(list.out.contains(listedAs + u'\t'), qPrintable(list.out));
    QCOMPARE(list.out.count(u'\n'), listedAs.isEmpty() || unreadable ? 1 : 2);

    QStringList arguments{u"convert"_s, u"--kind"_s, u"hyo"_s, src(), dst()};
    if (!named.isEmpty())
        arguments.append(named);
    const testdata::Run convert = testdata::hy3conv(arguments, as);
    QCOMPARE(convert.exitCode, exitCode);
    if (!cause.isEmpty())
        QVERIFY2(convert.err.contains(u"x.hy"_s) && convert.err.contains(cause), qPrintable(convert.err));
    if (!output.isEmpty())
        QCOMPARE(readRaw(local(dst()) + '/' + output), converted(data));
    if (odd == Odd::LinkAtOutput) {
        QCOMPARE(QFileInfo(dst() + u"/x.hy3"_s).symLinkTarget(), QFileInfo(outside).absoluteFilePath());
        QCOMPARE(testdata::readFile(outside), QByteArray("REPORT"));
    }
    QCOMPARE(temporaries(), 0);
    QCOMPARE(testdata::readFile(src() + u"/good.hyo"_s), data);
    if (odd == Odd::Cp932Name) { // QTemporaryDir can't remove what QDir can't name
        QCOMPARE(::unlink((local(src()) + '/' + kCp932Name).constData()), 0);
        QCOMPARE(::unlink((local(dst()) + '/' + output).constData()), 0);
    }
}

enum class Walk {
    UnreadableSubfolder,
    UnreadableOperand,
    LinkAtOutputSubfolder,
    LinkedFolderInSource,
    DryRunUnwritable,
    DryRunMissingFolder,
    DryRunLeftover,
    DryRunLinkAtOutput,
    ManyFoldersFewHandles,
    DeeperThanAPath,
};

void TestOddFiles::walkingFolders_data()
{
    QTest::addColumn<Walk>("walk");
    QTest::addColumn<bool>("asNobody");
    QTest::addColumn<QStringList>("arguments"); // SRC, DST, NEW stand for folders of the workspace
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");
    QTest::addColumn<int>("lines"); // of standard output

    const QString noPermission = u"アクセス権がありません"_s;
    const QString link = u"シンボリックリンク"_s;
    QTest::addRow("an unreadable sub-folder: convert") << Walk::UnreadableSubfolder << true
        << QStringList{u"convert"_s, u"-r"_s, u"-o"_s, u"DST"_s, u"SRC"_s} << 1 << noPermission << 1;
    QTest::addRow("an unreadable sub-folder: list") << Walk::UnreadableSubfolder << true
        << QStringList{u"list"_s, u"-r"_s, u"SRC"_s} << 1 << noPermission << 1;
    QTest::addRow("an unreadable folder named") << Walk::UnreadableOperand << true
        << QStringList{u"list"_s, u"SRC"_s} << 1 << noPermission << 0;
    QTest::addRow("a link at an output sub-folder") << Walk::LinkAtOutputSubfolder << false
        << QStringList{u"convert"_s, u"-r"_s, u"-o"_s, u"DST"_s, u"SRC"_s} << 1 << link << 1;
    QTest::addRow("a link to a folder is not followed") << Walk::LinkedFolderInSource << false
        << QStringList{u"list"_s, u"-r"_s, u"SRC"_s} << 0 << QString() << 2;
    QTest::addRow("dry run into a folder the user can't write") << Walk::DryRunUnwritable << true
        << QStringList{u"convert"_s, u"-n"_s, u"-o"_s, u"DST"_s, u"SRC"_s} << 1 << noPermission << 0;
    QTest::addRow("dry run into a folder under one the user can't write") << Walk::DryRunUnwritable << true
        << QStringList{u"convert"_s, u"-n"_s, u"-o"_s, u"DST/new"_s, u"SRC"_s} << 1 << noPermission << 0;
    QTest::addRow("dry run makes no folder") << Walk::DryRunMissingFolder << false
        << QStringList{u"convert"_s, u"-n"_s, u"-r"_s, u"-o"_s, u"NEW"_s, u"SRC"_s} << 0 << QString() << 2;
    QTest::addRow("dry run sweeps nothing") << Walk::DryRunLeftover << false
        << QStringList{u"convert"_s, u"-n"_s, u"-o"_s, u"DST"_s, u"SRC"_s} << 0 << QString() << 1;
    QTest::addRow("dry run refuses a link at the output") << Walk::DryRunLinkAtOutput << false
        << QStringList{u"convert"_s, u"-n"_s, u"-o"_s, u"DST"_s, u"SRC"_s} << 1 << link << 0;
    QTest::addRow("folders deeper than a path may be long") << Walk::DeeperThanAPath << false
        << QStringList{u"convert"_s, u"-r"_s, u"-o"_s, u"NEW"_s, u"SRC"_s} << 0 << QString() << 3;
    QTest::addRow("300 folders, 48 file handles") << Walk::ManyFoldersFewHandles << false
        << QStringList{u"convert"_s, u"-q"_s, u"-r"_s, u"-o"_s, u"NEW"_s, u"SRC"_s} << 0 << QString() << 0;
}

// Folders as users have them: none is skipped without a word, no link leads
// the walk or an output elsewhere, a dry run tells what the real run would
// do and changes nothing, and any number of folders goes.
void TestOddFiles::walkingFolders()
{
    QFETCH(Walk, walk);
    QFETCH(bool, asNobody);
    QFETCH(QStringList, arguments);
    if (asNobody && geteuid() != 0)
        QSKIP("needs root to run hy3conv as another user");
    const QByteArray data = testdata::encode(testdata::manyHyoRecords(2));
    testdata::writeFile(src() + u"/x.hyo"_s, data);
    QVERIFY(QDir().mkpath(src() + u"/sub"_s));
    testdata::writeFile(src() + u"/sub/y.hyo"_s, data);
    const QString elsewhere = m_dir->filePath(u"elsewhere"_s);
    const QString leftover = dst() + u"/~hy3-converter-abcdefgh2345.tmp"_s;
    switch (walk) {
    case Walk::UnreadableSubfolder:
        QCOMPARE(::chmod(local(src() + u"/sub"_s).constData(), 0700), 0);
        break;
    case Walk::UnreadableOperand:
        QCOMPARE(::chmod(local(src()).constData(), 0700), 0);
        break;
    case Walk::LinkAtOutputSubfolder:
        QVERIFY(QDir().mkpath(elsewhere));
        testdata::writeFile(elsewhere + u"/~hy3-converter-abcdefgh2345.tmp"_s, "NOT OURS TO SWEEP");
        QCOMPARE(::symlink("../elsewhere", local(dst() + u"/sub"_s).constData()), 0);
        QVERIFY(QDir().mkpath(src() + u"/sub/deeper"_s));
        testdata::writeFile(src() + u"/sub/deeper/z.hyo"_s, data);
        break;
    case Walk::LinkedFolderInSource:
        QCOMPARE(::symlink(".", local(src() + u"/sub/loop"_s).constData()), 0);
        break;
    case Walk::DryRunUnwritable:
    case Walk::DryRunMissingFolder:
        break;
    case Walk::DryRunLeftover:
        testdata::writeFile(leftover, "LEFT BY A KILLED RUN");
        break;
    case Walk::DryRunLinkAtOutput:
        QCOMPARE(::symlink("../elsewhere.hy3", local(dst() + u"/x.hy3"_s).constData()), 0);
        break;
    case Walk::DeeperThanAPath:
        QVERIFY(makeDeeperThanAPath(src() + u"/sub"_s, data));
        break;
    case Walk::ManyFoldersFewHandles:
        for (int i = 0; i < 300; ++i) {
            QVERIFY(QDir().mkpath(src() + u"/many/%1"_s.arg(i)));
            testdata::writeFile(src() + u"/many/%1/f.hyo"_s.arg(i), data);
        }
        break;
    }
    if (asNobody) {
        QCOMPARE(::chmod(local(m_dir->path()).constData(), 0755), 0);
        QCOMPARE(::chmod(local(dst()).constData(), walk == Walk::DryRunUnwritable ? 0755 : 0777), 0);
    }
    for (QString &argument : arguments)
        argument.replace(u"SRC"_s, src()).replace(u"DST"_s, dst()).replace(u"NEW"_s, m_dir->filePath(u"new"_s));
    const auto fewHandles = [] {
        const rlimit limit{48, 48};
        setrlimit(RLIMIT_NOFILE, &limit);
    };
    const std::function<void()> setup = asNobody ? std::function<void()>(dropToNobody)
        : walk == Walk::ManyFoldersFewHandles ? std::function<void()>(fewHandles)
                                              : std::function<void()>();
    const testdata::Run run = testdata::hy3conv(arguments, setup);

    QTEST(run.exitCode, "exitCode");
    QFETCH(QString, err);
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
    QTEST(static_cast<int>(run.out.count(u'\n')), "lines");
    switch (walk) {
    case Walk::LinkAtOutputSubfolder:
        QCOMPARE(QDir(elsewhere).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{u"~hy3-converter-abcdefgh2345.tmp"_s});
        QCOMPARE(testdata::readFile(dst() + u"/x.hy3"_s), converted(data));
        break;
    case Walk::DryRunMissingFolder:
        QVERIFY(!QFileInfo::exists(m_dir->filePath(u"new"_s)));
        break;
    case Walk::DryRunLeftover:
        QCOMPARE(testdata::readFile(leftover), QByteArray("LEFT BY A KILLED RUN"));
        break;
    case Walk::DeeperThanAPath: // too deep for the workspace's own removal, which goes by whole paths
        QCOMPARE(QProcess::execute(u"rm"_s, {u"-rf"_s, src() + u"/sub"_s, m_dir->filePath(u"new/sub"_s)}), 0);
        break;
    case Walk::ManyFoldersFewHandles:
        for (int i = 0; i < 300; ++i)
            QVERIFY2(QFileInfo::exists(m_dir->filePath(u"new/many/%1/f.hy3"_s.arg(i))), qPrintable(QString::number(i)));
        break;
    default:
        break;
    }
    if (walk == Walk::DryRunUnwritable) { // the real run says the same
        arguments.removeAll(u"-n"_s);
        QCOMPARE(testdata::hy3conv(arguments, setup).exitCode, 1);
    }
}

// Names that only a careless decoder would confuse lead to their own files.
void TestOddFiles::namesKeptApart()
{
    const QList<QByteArray> names{
        "\xF0\xA0\xAE\xB7\xE9\x87\x8E\xE5\xAE\xB6.hyo", // 𠮷野家: outside the first 65,536 characters
        "\xC0\xB1.hyo",                                 // ﾀｱ in cp932; as UTF-8 an overlong "1"
        "1.hyo",
    };
    QList<QByteArray> data;
    for (int i = 0; i < names.size(); ++i) {
        data.append(testdata::encode(testdata::manyHyoRecords(i + 1)));
        testdata::writeFile(src() + u"/tmp"_s, data.last());
        QCOMPARE(::rename(local(src() + u"/tmp"_s).constData(), (local(src()) + '/' + names[i]).constData()), 0);
    }
    const testdata::Run run = testdata::hy3conv({u"convert"_s, u"-o"_s, dst(), src()});
    QCOMPARE(run.exitCode, 0);
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(readRaw(local(dst()) + '/' + names[i].chopped(4) + ".hy3"), converted(data[i]));
    // For scripts, a name that is not UTF-8 keeps its bytes; the others need none.
    const testdata::Run listed = testdata::hy3conv({u"list"_s, u"--json"_s, src()});
    QStringList bytes;
    for (const QJsonValue &file : QJsonDocument::fromJson(listed.out.toUtf8()).object().value(u"files"_s).toArray())
        bytes.append(file.toObject().value(u"sourceBytes"_s).toString());
    bytes.sort();
    QCOMPARE(bytes, (QStringList{QString(), QString(),
                                 QString::fromLatin1((local(src()) + '/' + names[1]).toHex())}));
    for (const QByteArray &name : names) { // QTemporaryDir can't remove what QDir can't name
        ::unlink((local(src()) + '/' + name).constData());
        ::unlink((local(dst()) + '/' + name.chopped(4) + ".hy3").constData());
    }
}

void TestOddFiles::killedMidBatch_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("runs");
    QTest::addColumn<bool>("keepEarlier"); // -b: each earlier output is copied before it is replaced
    QTest::addRow("SIGKILL") << int(SIGKILL) << 12 << false;
    QTest::addRow("SIGKILL, earlier outputs kept") << int(SIGKILL) << 8 << true;
    QTest::addRow("SIGTERM") << int(SIGTERM) << 4 << false;
    QTest::addRow("SIGINT") << int(SIGINT) << 4 << true;
    QTest::addRow("SIGHUP") << int(SIGHUP) << 4 << false;
}

// At any moment each destination is its earlier file or the complete new one.
// A run that is told to stop (SIGINT, SIGTERM) commits what it is writing,
// says what it did and leaves no temporary; one that is killed leaves them
// to the next run into the folder.
void TestOddFiles::killedMidBatch()
{
    QFETCH(int, signal);
    QFETCH(int, runs);
    QFETCH(bool, keepEarlier);
    constexpr int kFiles = 300;
    QList<QByteArray> expected;
    for (int i = 0; i < kFiles; ++i) {
        const QByteArray data = testdata::encode(testdata::manyHyoRecords(60 + i % 80));
        const QString name = u"f%1"_s.arg(i, 3, 10, QChar(u'0'));
        testdata::writeFile(src() + u'/' + name + u".hyo"_s, data);
        testdata::writeFile(dst() + u'/' + name + u".hy3"_s, "EARLIER");
        expected.append(converted(data));
    }
    QStringList arguments{u"convert"_s, u"--kind"_s, u"hyo"_s, src(), dst()};
    if (keepEarlier)
        arguments.insert(1, u"-b"_s);
    // Each output is its earlier file or the whole new one; a new one's
    // earlier file is kept beside it.
    const auto checkDestinations = [&] {
        for (int i = 0; i < kFiles; ++i) {
            const QString output = dst() + u"/f%1.hy3"_s.arg(i, 3, 10, QChar(u'0'));
            const QByteArray now = testdata::readFile(output);
            QVERIFY2(now == "EARLIER" || now == expected[i], qPrintable(output));
            if (keepEarlier && now == expected[i])
                QCOMPARE(testdata::readFile(output + u'~'), QByteArray("EARLIER"));
        }
    };

    QElapsedTimer timer;
    timer.start();
    QCOMPARE(testdata::hy3conv(arguments).exitCode, 0); // how long a whole run takes here
    const int whole = qMax<int>(20, static_cast<int>(timer.elapsed()));
    for (int i = 0; i < kFiles; ++i) {
        testdata::writeFile(dst() + u"/f%1.hy3"_s.arg(i, 3, 10, QChar(u'0')), "EARLIER");
        QFile::remove(dst() + u"/f%1.hy3~"_s.arg(i, 3, 10, QChar(u'0')));
    }

    for (int run = 0; run < runs; ++run) {
        QProcess process;
        process.start(QStringLiteral(HY3CONV_PATH), arguments);
        QVERIFY(process.waitForStarted());
        QThread::msleep(QRandomGenerator::global()->bounded(whole));
        ::kill(static_cast<pid_t>(process.processId()), signal);
        QVERIFY(process.waitForFinished(60000));
        if ((signal == SIGINT || signal == SIGTERM) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() != 0) {
            QCOMPARE(process.exitCode(), 130);
            QVERIFY2(QString::fromUtf8(process.readAllStandardError()).contains(u"中止しました"_s),
                     "a stopped run says what it did");
        }
        checkDestinations();
        if (signal != SIGKILL)
            QCOMPARE(temporaries(), 0);
    }
    QCOMPARE(testdata::hy3conv(arguments).exitCode, 0);
    QCOMPARE(temporaries(), 0);
    for (int i = 0; i < kFiles; ++i)
        QCOMPARE(testdata::readFile(dst() + u"/f%1.hy3"_s.arg(i, 3, 10, QChar(u'0'))), expected[i]);
    checkDestinations();
}

QTEST_GUILESS_MAIN(TestOddFiles)
#include "tst_oddfiles.moc"
