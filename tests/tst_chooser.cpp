// SPDX-License-Identifier: MIT
#include "chooser/directorylist.h"
#include "chooser/drives.h"
#include "chooser/frmchoicefolder.h"

#include "uicontrols.h"

#include <QComboBox>
#include <QImage>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>

using namespace Qt::StringLiterals;
using namespace hy3::ui;

class TestChooser : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void results_data();
    void results();
    void reopensWhereItWasLeft();
    void marksHighlightAndTyping();
    void unreadableDriveFallsBackToTheProgramsDrive();
    void aDriveThatDoesNotAnswerHoldsNothing();
    void drivesAreUsable();

private:
    frmChoiceFolder &chooser();
    // Opens a folder in the list and waits until it is open.
    bool open(const QString &path);
    DirectoryList *dir1() { return control<DirectoryList>(&chooser(), u"Dir1"_s); }
    QComboBox *drive1() { return control<QComboBox>(&chooser(), u"Drive1"_s); }
    QPushButton *command1(int i) { return control<QPushButton>(&chooser(), u"Command1"_s, i); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWidget> m_owner;
    QPointer<frmChoiceFolder> m_chooser;
    QString m_chosen = u"stale"_s; // what the chooser said when it last closed
};

// The chooser as its owner keeps it: made on first use, again after a close of its frame.
frmChoiceFolder &TestChooser::chooser()
{
    if (!m_chooser) {
        m_chooser = new frmChoiceFolder(m_owner.get());
        connect(m_chooser, &QDialog::finished, this, [this] { m_chosen = m_chooser->chosenFolder(); });
        // Opened where the program runs, once that folder has been read.
        (void)QTest::qWaitFor([this] { return !m_chooser->findChild<DirectoryList *>()->path().isEmpty(); });
    }
    return *m_chooser;
}

bool TestChooser::open(const QString &path)
{
    QSignalSpy opened(dir1(), &DirectoryList::pathChanged);
    QSignalSpy failed(dir1(), &DirectoryList::pathFailed);
    dir1()->setPath(path);
    return dir1()->path() == QDir::cleanPath(path)
        || (QTest::qWaitFor([&] { return !opened.isEmpty() || !failed.isEmpty(); }) && failed.isEmpty());
}

enum class Step { OpenRoot, OpenTemp, OpenSub, HighlightSub, Ok, Cancel, CloseFrame };

static void doubleClick(DirectoryList *list, const QString &text)
{
    const auto items = list->findItems(text, Qt::MatchEndsWith);
    QVERIFY2(!items.isEmpty(), qPrintable(text));
    const QPoint at = list->visualItemRect(items.first()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at); // the press that starts a double click
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

void TestChooser::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkpath(u"sub/deeper"_s));
    m_chosen = u"stale"_s;
    m_owner = std::make_unique<QWidget>();
    frmChoiceFolder::setDriveAnswerWaitForTesting(200);
}

void TestChooser::cleanup()
{
    frmChoiceFolder::setDriveAnswerWaitForTesting(3000);
    m_owner.reset();
    QVERIFY(!m_chooser); // goes with its owner
}

void TestChooser::results_data()
{
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<QString>("expected"); // "<tmp>" stands for the temporary folder

    QTest::addRow("OK at the root has one separator") << QList<Step>{Step::OpenRoot, Step::Ok} << u"<root>"_s;
    QTest::addRow("OK in a folder appends one") << QList<Step>{Step::OpenTemp, Step::Ok} << u"<tmp>/"_s;
    QTest::addRow("a double click opens") << QList<Step>{Step::OpenTemp, Step::OpenSub, Step::Ok} << u"<tmp>/sub/"_s;
    QTest::addRow("highlighted is not opened") << QList<Step>{Step::OpenTemp, Step::HighlightSub, Step::Ok}
                                               << u"<tmp>/"_s;
    QTest::addRow("cancel after an earlier OK") << QList<Step>{Step::OpenTemp, Step::Ok, Step::Cancel} << QString();
    QTest::addRow("frame closed after an earlier OK") << QList<Step>{Step::OpenTemp, Step::Ok, Step::CloseFrame}
                                                      << QString();
}

void TestChooser::results()
{
    QFETCH(QList<Step>, steps);
    QFETCH(QString, expected);
    expected.replace(u"<tmp>"_s, QDir::cleanPath(m_dir->path()));
    expected.replace(u"<root>"_s, rootOf(m_dir->path()));

    for (Step step : steps) {
        chooser().show();
        switch (step) {
        case Step::OpenRoot:
            QVERIFY(open(rootOf(m_dir->path())));
            break;
        case Step::OpenTemp:
            QVERIFY(open(QDir::cleanPath(m_dir->path())));
            break;
        case Step::OpenSub:
            doubleClick(dir1(), u"sub"_s);
            QTRY_VERIFY(dir1()->path().endsWith(u"/sub"_s));
            break;
        case Step::HighlightSub: {
            const auto items = dir1()->findItems(u"sub"_s, Qt::MatchEndsWith);
            QTest::mouseClick(dir1()->viewport(), Qt::LeftButton, {}, dir1()->visualItemRect(items.first()).center());
            QCOMPARE(dir1()->currentItem(), items.first());
            break;
        }
        case Step::Ok:
            command1(0)->click();
            QVERIFY(!chooser().isVisible());
            break;
        case Step::Cancel:
            command1(1)->click();
            QVERIFY(!chooser().isVisible());
            break;
        case Step::CloseFrame:
            chooser().close();
            QTRY_VERIFY(!m_chooser); // destroyed, not only hidden
            break;
        }
    }
    QCOMPARE(m_chosen, expected);
}

void TestChooser::reopensWhereItWasLeft()
{
    QCOMPARE(dir1()->path(), QDir::cleanPath(QDir::currentPath())); // first opened where the program runs
    const QString sub = QDir::cleanPath(m_dir->path()) + u"/sub"_s;
    chooser().show();
    QVERIFY(open(sub));
    command1(1)->click();

    chooser().show();
    QCOMPARE(dir1()->path(), sub);
    QCOMPARE(drive1()->currentData().toString(), rootOf(sub));
}

// The depth is indentation, not spaces in the names; the open folder and its
// parents look open; the open folder is highlighted whenever the chooser
// opens; typing a name's first letters highlights it.
void TestChooser::marksHighlightAndTyping()
{
    const QString sub = QDir::cleanPath(m_dir->path()) + u"/sub"_s;
    chooser().show();
    QVERIFY(open(sub));
    const QStringList folders = ancestorsAndSelf(sub);
    const QStringList chain = folders.mid(1);
    QCOMPARE(dir1()->count(), chain.size() + 2); // the root, the chain, "deeper"
    for (int i = 0; i < dir1()->count(); ++i) {
        const QListWidgetItem *item = dir1()->item(i);
        QCOMPARE(item->text(), i == 0 ? QDir::toNativeSeparators(folders.first())
                               : i <= chain.size() ? chain[i - 1].section(u'/', -1) : u"deeper"_s);
        QCOMPARE(item->data(DirectoryList::kDepthRole).toInt(), i);
        QCOMPARE(item->data(DirectoryList::kOpenRole).toBool(), i <= chain.size());
    }
    const auto picture = [this](int row) { return dir1()->item(row)->icon().pixmap(16).toImage(); };
    QCOMPARE(picture(0), picture(chain.size()));
    QVERIFY(picture(chain.size()) != picture(chain.size() + 1));
    QCOMPARE(dir1()->currentItem(), dir1()->item(chain.size()));

    QListWidgetItem *deeper = dir1()->item(chain.size() + 1);
    QTest::mouseClick(dir1()->viewport(), Qt::LeftButton, {}, dir1()->visualItemRect(deeper).center());
    QCOMPARE(dir1()->currentItem(), deeper);
    command1(1)->click();
    chooser().show();
    QCOMPARE(dir1()->currentItem(), dir1()->item(chain.size()));

    dir1()->setFocus();
    QTest::keyClicks(dir1(), u"de"_s);
    QCOMPARE(dir1()->currentItem(), deeper);
    QCOMPARE(dir1()->path(), sub); // highlighted, not opened
}

void TestChooser::unreadableDriveFallsBackToTheProgramsDrive()
{
    chooser().show();
    chooser().setDrives({{rootOf(m_dir->path()), rootOf(m_dir->path())},
                         {m_dir->path() + u"/not-mounted"_s, u"not-mounted"_s}});
    drive1()->setCurrentIndex(1);
    QTRY_COMPARE(drive1()->currentData().toString(), programDrive());
    QTRY_COMPARE(dir1()->path(), QDir::cleanPath(programDrive()));
    QVERIFY(chooser().isVisible());
}

// A drive that never answers (a stuck network mount) is shown as such while
// the others are listed with what they say; the chooser opened at once.
void TestChooser::aDriveThatDoesNotAnswerHoldsNothing()
{
    auto release = std::make_shared<std::atomic<bool>>(false);
    setDriveQuestionForTesting([release](const QString &root) {
        while (root.endsWith(u"stuck"_s) && !release->load())
            QThread::msleep(10);
        return DriveState{!root.endsWith(u"gone"_s), root.endsWith(u"stuck"_s) ? QString() : u"DATA"_s};
    });
    chooser().show();
    chooser().setDrives({{rootOf(m_dir->path()), u"here"_s}, {u"/net/stuck"_s, u"stuck"_s}, {u"/media/gone"_s, u"gone"_s}});
    QTRY_COMPARE(drive1()->itemText(0), u"here [DATA]"_s);
    QTRY_COMPARE(drive1()->itemText(2), u"gone（使用できません）"_s);
    QTRY_COMPARE(drive1()->itemText(1), u"stuck（応答がありません）"_s);
    release->store(true);
    setDriveQuestionForTesting({});
}

void TestChooser::drivesAreUsable()
{
    const QList<Drive> found = drives();
    QVERIFY(!found.isEmpty());
    QStringList roots;
    for (const Drive &drive : found)
        roots.append(drive.root);
    QCOMPARE(roots.removeDuplicates(), 0);
#ifdef Q_OS_WIN
    for (const QString &root : roots)
        QVERIFY2(root.size() == 3 && root[1] == u':' && root[2] == u'/', qPrintable(root));
#else
    QCOMPARE(roots.first(), u"/"_s);
    for (const QString &root : roots) {
        QVERIFY2(!root.startsWith(u"/proc"_s) && !root.startsWith(u"/sys"_s) && !root.startsWith(u"/dev"_s),
                 qPrintable(root));
    }
#endif
}

QTEST_MAIN(TestChooser)
#include "tst_chooser.moc"
