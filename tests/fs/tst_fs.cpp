// SPDX-License-Identifier: MIT
// The file layer through its plain interface, on whichever system it is built
// for: temporaries replacing and keeping files, leftovers swept, nothing left
// behind when a call fails, causes, and the names Windows keeps for itself.

#include "fs/faults.h"
#include "fs/sys.h"
#include "fs/tempfile.h"
#include "fs/windowsnames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;
using namespace hy3;
using namespace hy3::fs;
using sys::Call;

namespace {

sys::String native(const QString &text)
{
#ifdef Q_OS_WIN
    return text.toStdWString();
#else
    return text.toStdString();
#endif
}

// The system's own number for a failure, where the two systems differ.
struct Codes
{
    int io;
    int noSpace;
    int crossDevice;
    int readOnly;
};
#ifdef Q_OS_WIN
constexpr Codes kCodes{ERROR_IO_DEVICE, ERROR_DISK_FULL, ERROR_NOT_SAME_DEVICE, ERROR_WRITE_PROTECT};
#else
constexpr Codes kCodes{EIO, ENOSPC, EXDEV, EROFS};
#endif

} // namespace

class TestFs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void replaceAndKeep_data();
    void replaceAndKeep();
    void withoutNoReplaceRename_data();
    void withoutNoReplaceRename();
    void sweep_data();
    void sweep();
    void registryFollowsEachTemporary();
    void failedCreateLeavesNothing_data();
    void failedCreateLeavesNothing();
    void causes_data();
    void causes();
    void refusedWithoutBlocking();
    void reservedNames_data();
    void reservedNames();

private:
    // Writes `bytes` as `name` the way the converter does; the commit's error.
    // `named`: through a temporary with a name of its own from the start.
    sys::Error write(const QString &name, const QByteArray &bytes, bool replace = true, bool named = false);
    QStringList entries() const { return QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden | QDir::System); }
    QByteArray read(const QString &name) const
    {
        QFile file(m_dir->filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<sys::Folder> m_folder;
};

void TestFs::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY2(m_dir->isValid(), qPrintable(m_dir->errorString()));
    m_folder = std::make_shared<sys::Folder>();
    QVERIFY(!sys::openFolder(native(m_dir->path()), *m_folder));
    sys::testing::clear();
}

void TestFs::cleanup()
{
    sys::testing::clear();
    m_folder.reset();
    QCOMPARE(registeredTemporaries(), 0);
}

sys::Error TestFs::write(const QString &name, const QByteArray &bytes, bool replace, bool named)
{
    std::unique_ptr<TemporaryFile> file;
    if (const sys::Error error = TemporaryFile::create(m_folder, file, named))
        return error;
    if (const sys::Error error = file->write(bytes.constData(), static_cast<std::size_t>(bytes.size())))
        return error;
    if (const sys::Error error = file->syncData())
        return error;
    return file->commit(native(name), replace);
}

void TestFs::replaceAndKeep_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("earlier"); // empty: none
    QTest::addColumn<bool>("replace");
    QTest::addColumn<Cause>("cause");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<bool>("named");
    for (const bool named : {false, true}) {
        const char *how = named ? "named" : "nameless until committed";
        QTest::addRow("new, %s", how) << u"out.hy3"_s << QByteArray() << true << Cause::None << QByteArray("new")
                                      << named;
        QTest::addRow("replaced, %s", how) << u"out.hy3"_s << QByteArray("earlier, longer") << true << Cause::None
                                           << QByteArray("new") << named;
        QTest::addRow("kept, %s", how) << u"out.hy3"_s << QByteArray("earlier") << false << Cause::Exists
                                       << QByteArray("earlier") << named;
        QTest::addRow("new, not replacing, %s", how) << u"out.hy3"_s << QByteArray() << false << Cause::None
                                                     << QByteArray("new") << named;
        QTest::addRow("Japanese name, %s", how) << u"運賃表.hy3"_s << QByteArray("earlier") << true << Cause::None
                                                << QByteArray("new") << named;
    }
}

void TestFs::replaceAndKeep()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, earlier);
    QFETCH(bool, replace);
    QFETCH(bool, named);
    QVERIFY(!write(u"first.hy3"_s, "the first new file in a folder is named at once"));
    QVERIFY(QFile::remove(m_dir->filePath(u"first.hy3"_s)));
    if (!earlier.isEmpty())
        QVERIFY(!write(name, earlier));
    QTEST(write(name, "new", replace, named).cause, "cause");
    QTEST(read(name), "after");
    QCOMPARE(entries(), QStringList{name}); // no temporary beside it
}

// File systems that can neither rename without replacing nor make hard links
// (FUSE, SMB): a file that is there is still never replaced.
void TestFs::withoutNoReplaceRename_data()
{
    QTest::addColumn<bool>("noLinks");
    QTest::addColumn<bool>("earlier");
    QTest::addColumn<Cause>("cause");
    QTest::addColumn<QByteArray>("after");
    QTest::addRow("links: new") << false << false << Cause::None << QByteArray("new");
    QTest::addRow("links: kept") << false << true << Cause::Exists << QByteArray("earlier");
    QTest::addRow("no links: new") << true << false << Cause::None << QByteArray("new");
    QTest::addRow("no links: kept") << true << true << Cause::Exists << QByteArray("earlier");
}

void TestFs::withoutNoReplaceRename()
{
#ifdef Q_OS_WIN
    QSKIP("Windows renames without replacing in one call");
#else
    QFETCH(bool, noLinks);
    QFETCH(bool, earlier);
    if (earlier)
        QVERIFY(!write(u"out.hy3"_s, "earlier"));
    std::unique_ptr<TemporaryFile> file;
    QVERIFY(!TemporaryFile::create(m_folder, file, true));
    QVERIFY(!file->write("new", 3));
    sys::testing::clear();
    sys::testing::failCall(Call::Rename, 1, EINVAL); // renameat2 without its flag
    if (noLinks)
        sys::testing::failCall(Call::Link, 1, EPERM);
    QTEST(file->commit(native(u"out.hy3"_s), false).cause, "cause");
    file.reset();
    QTEST(read(u"out.hy3"_s), "after");
    QCOMPARE(entries(), QStringList{u"out.hy3"_s});
#endif
}

void TestFs::sweep_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("removed");
    QTest::addRow("a killed run's temporary") << u"~hy3-converter-abcdefgh2345.tmp"_s << true;
    QTest::addRow("a user's note named alike") << u"~hy3-converter-my-notes.tmp"_s << false;
    QTest::addRow("one letter too many") << u"~hy3-converter-abcdefgh23456.tmp"_s << false;
    QTest::addRow("a temporary's name and more") << u"~hy3-converter-abcdefgh2345.tmp.keep"_s << false;
    QTest::addRow("capital letters") << u"~hy3-converter-ABCDEFGH2345.tmp"_s << false;
    QTest::addRow("a digit we never use") << u"~hy3-converter-abcdefgh2341.tmp"_s << false;
    QTest::addRow("another ending") << u"~hy3-converter-abcdefgh2345.tmx"_s << false;
}

// Leftovers of killed runs go; anything that only looks like one stays, and
// so does a temporary still being written.
void TestFs::sweep()
{
    QFETCH(QString, name);
    QFETCH(bool, removed);
    QFile file(m_dir->filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    std::unique_ptr<TemporaryFile> writing;
    QVERIFY(!TemporaryFile::create(m_folder, writing, true));
    int count = -1;
    QVERIFY(!removeLeftovers(*m_folder, count));
    QCOMPARE(count, removed ? 1 : 0);
    QCOMPARE(entries().contains(name), !removed);
    QCOMPARE(entries().size(), removed ? 1 : 2); // and the one being written
}

void TestFs::registryFollowsEachTemporary()
{
    std::unique_ptr<TemporaryFile> first;
    std::unique_ptr<TemporaryFile> second;
    std::unique_ptr<TemporaryFile> nameless;
    QVERIFY(!TemporaryFile::create(m_folder, first, true));
    QVERIFY(!TemporaryFile::create(m_folder, second, true));
    QVERIFY(!TemporaryFile::create(m_folder, nameless));
    // One without a name has nothing to remove (where the system makes such files).
    QCOMPARE(registeredTemporaries(), nameless->name().empty() ? 2 : 3);
    nameless.reset();
    QCOMPARE(registeredTemporaries(), 2);
    QVERIFY(!first->commit(native(u"kept.hy3"_s), true));
    QCOMPARE(registeredTemporaries(), 1); // a committed file is the user's: never removed on an interrupt
    removeOwnTemporaries();
    QCOMPARE(registeredTemporaries(), 0);
    second.reset();
    first.reset();
    QCOMPARE(entries(), QStringList{u"kept.hy3"_s});
}

void TestFs::failedCreateLeavesNothing_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<int>("code");
    QTest::addColumn<Cause>("cause"); // None: created after all
#ifndef Q_OS_WIN
    QTest::addRow("lock fails") << Call::Lock << EIO << Cause::IoError;
    QTest::addRow("no locks at all") << Call::Lock << ENOLCK << Cause::None;
    QTest::addRow("status fails") << Call::Stat << EIO << Cause::IoError;
    QTest::addRow("naming fails") << Call::Link << EIO << Cause::IoError;
    QTest::addRow("no links here: named at once") << Call::Link << EPERM << Cause::None;
#endif
    QTest::addRow("create fails") << Call::Create << kCodes.readOnly << Cause::ReadOnlyMedium;
}

// A temporary whose creation fails on the way is removed before the next try,
// so nothing is left after the program ends.
void TestFs::failedCreateLeavesNothing()
{
    QFETCH(Call, call);
    QFETCH(int, code);
    QFETCH(Cause, cause);
    sys::testing::failCall(call, 1, code);
    std::unique_ptr<TemporaryFile> file;
    QCOMPARE(TemporaryFile::create(m_folder, file, true).cause, cause);
    file.reset();
    QCOMPARE(entries(), QStringList());
}

void TestFs::causes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<Cause>("cause");
    QTest::addRow("I/O error") << kCodes.io << Cause::IoError;
    QTest::addRow("no space") << kCodes.noSpace << Cause::NoSpace;
    QTest::addRow("another device") << kCodes.crossDevice << Cause::CrossDevice;
    QTest::addRow("read-only medium") << kCodes.readOnly << Cause::ReadOnlyMedium;
#ifndef Q_OS_WIN
    QTest::addRow("no locks") << ENOLCK << Cause::NoLocks;
    QTest::addRow("size limit") << EFBIG << Cause::TooLarge;
#endif
}

// A failed write comes back with its cause, and the temporary goes.
void TestFs::causes()
{
    QFETCH(int, code);
    sys::testing::failCall(Call::Write, 1, code);
    QTEST(write(u"out.hy3"_s, "x").cause, "cause");
    QCOMPARE(entries(), QStringList());
}

// What is no plain file is refused at once, never waited on.
void TestFs::refusedWithoutBlocking()
{
    QVERIFY(QDir(m_dir->path()).mkdir(u"folder.hyo"_s));
    sys::Handle file;
    QCOMPARE(sys::openForReading(*m_folder, native(u"folder.hyo"_s), file).cause, Cause::NotRegularFile);
    QCOMPARE(sys::openForReading(*m_folder, native(u"missing.hyo"_s), file).cause, Cause::NotFound);
    sys::Folder folder;
    QCOMPARE(sys::openFolder(native(m_dir->filePath(u"missing"_s)), folder).cause, Cause::NotFound);
#ifndef Q_OS_WIN
    QCOMPARE(::mkfifo(QFile::encodeName(m_dir->filePath(u"pipe.hyo"_s)).constData(), 0600), 0);
    QCOMPARE(sys::openForReading(*m_folder, native(u"pipe.hyo"_s), file).cause, Cause::NotRegularFile);
    QCOMPARE(::symlink("folder.hyo", QFile::encodeName(m_dir->filePath(u"link"_s)).constData()), 0);
    QCOMPARE(sys::openSubfolder(*m_folder, native(u"link"_s), folder).cause, Cause::LinkInTheWay);
#endif
    QVERIFY(!sys::openSubfolder(*m_folder, native(u"folder.hyo"_s), folder));
}

void TestFs::reservedNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("reserved");
    for (const char16_t *name : {u"CON", u"con.hy3", u"NUL.hy3", u"Aux.txt.hy3", u"PRN", u"COM1.hy3", u"lpt9.hy3",
                                 u"COM\u00B9.hy3", u"NUL .hy3", u"name.", u"name "})
        QTest::addRow("%s", qPrintable(QString::fromUtf16(name))) << QString::fromUtf16(name) << true;
    for (const char16_t *name : {u"CONSOLE.hy3", u"COM0.hy3", u"COM10.hy3", u"LPT.hy3", u"ANUL.hy3", u".hy3",
                                 u"運賃.hy3", u"a.b.hy3"})
        QTest::addRow("%s", qPrintable(QString::fromUtf16(name))) << QString::fromUtf16(name) << false;
}

void TestFs::reservedNames()
{
    QFETCH(QString, name);
    QTEST(isReservedOnWindows(std::u16string_view(reinterpret_cast<const char16_t *>(name.utf16()),
                                                  static_cast<std::size_t>(name.size()))),
          "reserved");
}

QTEST_GUILESS_MAIN(TestFs)
#include "tst_fs.moc"
