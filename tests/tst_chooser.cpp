#include "chooser/directorylist.h"
#include "chooser/drives.h"
#include "chooser/frmchoicefolder.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

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
    void unreadableDriveFallsBackToTheProgramsDrive();
    void mountRoots();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

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
    ChosenFolder = u"stale"_s;
}

void TestChooser::cleanup()
{
    frmChoiceFolder::Unload();
    QVERIFY(!frmChoiceFolder::existing());
}

void TestChooser::results_data()
{
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<QString>("expected"); // "<tmp>" stands for the temporary folder

    QTest::addRow("OK at the root has one separator") << QList<Step>{Step::OpenRoot, Step::Ok} << u"/"_s;
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
    expected.replace(u"<tmp>"_s, QDir(m_dir->path()).canonicalPath());

    for (Step step : steps) {
        frmChoiceFolder &chooser = frmChoiceFolder::instance();
        chooser.show();
        switch (step) {
        case Step::OpenRoot:
            QVERIFY(chooser.Dir1->setPath(u"/"_s));
            break;
        case Step::OpenTemp:
            QVERIFY(chooser.Dir1->setPath(QDir(m_dir->path()).canonicalPath()));
            break;
        case Step::OpenSub:
            doubleClick(chooser.Dir1, u"sub"_s);
            break;
        case Step::HighlightSub: {
            const auto items = chooser.Dir1->findItems(u"sub"_s, Qt::MatchEndsWith);
            QTest::mouseClick(chooser.Dir1->viewport(), Qt::LeftButton, {},
                              chooser.Dir1->visualItemRect(items.first()).center());
            QCOMPARE(chooser.Dir1->currentItem(), items.first());
            break;
        }
        case Step::Ok:
            chooser.Command1[0]->click();
            QVERIFY(!chooser.isVisible());
            break;
        case Step::Cancel:
            chooser.Command1[1]->click();
            QVERIFY(!chooser.isVisible());
            break;
        case Step::CloseFrame:
            chooser.close();
            QTRY_VERIFY(!frmChoiceFolder::existing()); // destroyed, not only hidden
            break;
        }
    }
    QCOMPARE(ChosenFolder, expected);
}

void TestChooser::reopensWhereItWasLeft()
{
    const QString sub = QDir(m_dir->path()).canonicalPath() + u"/sub"_s;
    frmChoiceFolder *first = &frmChoiceFolder::instance();
    first->show();
    QVERIFY(first->Dir1->setPath(sub));
    first->Command1[1]->click();

    frmChoiceFolder &again = frmChoiceFolder::instance();
    QCOMPARE(&again, first);
    QCOMPARE(again.Dir1->path(), sub);
    QCOMPARE(again.Drive1->currentData().toString(), RootOf(sub));
}

void TestChooser::unreadableDriveFallsBackToTheProgramsDrive()
{
    frmChoiceFolder &chooser = frmChoiceFolder::instance();
    chooser.show();
    chooser.setDrives({u"/"_s, m_dir->path() + u"/not-mounted"_s});
    chooser.Drive1->setCurrentIndex(1);
    QCOMPARE(chooser.Drive1->currentData().toString(), ProgramDrive());
    QCOMPARE(chooser.Dir1->path(), ProgramDrive() == u"/"_s ? u"/"_s : QDir::cleanPath(ProgramDrive()));
    QVERIFY(chooser.isVisible());
}

void TestChooser::mountRoots()
{
    QStringList roots = MountRoots();
    QVERIFY(!roots.isEmpty());
    QCOMPARE(roots.first(), u"/"_s);
    QCOMPARE(roots.removeDuplicates(), 0);
    for (const QString &root : roots) {
        QVERIFY2(!root.startsWith(u"/proc"_s) && !root.startsWith(u"/sys"_s) && !root.startsWith(u"/dev"_s),
                 qPrintable(root));
    }
}

QTEST_MAIN(TestChooser)
#include "tst_chooser.moc"
