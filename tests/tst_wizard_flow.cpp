// SPDX-License-Identifier: MIT
// The wizard driven as a user drives it: typing folders, clicking buttons,
// selecting rows, over a temporary folder.

#include "chooser/directorylist.h"
#include "chooser/frmchoicefolder.h"
#include "text/cp932.h"
#include "listing/detaillisting.h"
#include "fs/faults.h"
#include "fs/tempfile.h"
#include "messagebox.h"
#include "messages.h"
#include "testdata.h"
#include "uicontrols.h"
#include "wizard/filelistview.h"
#include "wizard/folderdrop.h"
#include "wizard/frmdatinstdig.h"
#include "wizard/module1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <functional>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;
using namespace hy3;
using namespace hy3::ui;

using Files = QList<std::pair<QString, QByteArray>>;
Q_DECLARE_METATYPE(QMessageBox::Icon)

class TestWizardFlow : public QObject, private WizardControls
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void nextFollowsTheFolderTexts_data();
    void nextFollowsTheFolderTexts();
    void listing_data();
    void listing();
    void backThenNextListsAfresh();
    void sorting_data();
    void sorting();
    void selectAllAndClear();
    void convertSelected_data();
    void convertSelected();
    void oddNamesAndLinks();
    void noSelection();
    void failedFilesAreSummarised_data();
    void failedFilesAreSummarised();
    void secondBatchAfterJumpingBack();
    void stopDuringABatch_data();
    void stopDuringABatch();
    void finishButtonsWaitAMoment();
    void aReRunKeepsWhatTheUserMade();
    void aMissingDestinationIsSaidOnce();
    void theWindowAnswersWhileAFolderIsRead();
    void endings_data();
    void endings();
    void finishSurvivesAFailingDetailedListing();
    void browsing_data();
    void browsing();
    void drops_data();
    void drops();
    void openedWithAFolder_data();
    void openedWithAFolder();
    void checkBoxClickFocusesTheList();
    void enterAndEscapeDoNothing_data();
    void enterAndEscapeDoNothing();

private:
    QString src() const { return m_dir->src(); }
    QString dst() const { return m_dir->dst(); }
    void writeSources(const Files &files);
    void typeFoldersAndList();
    // "次へ(&N) >>", and the listing it starts waited for.
    void clickNext();
    QStringList column(int index) const;
    // Clicks "参照(&B)" and lets `answer` act on the modal chooser.
    void browse(int index, const std::function<void(frmChoiceFolder *)> &answer);
    // "変換実行", and the batch it starts waited for.
    void convert();
    [[nodiscard]] int page() const { return static_cast<int>(m_window->currentPage()); }
    void showPage(int page) { m_window->showPage(static_cast<frmDatInstDig::Page>(page)); }
    static int choosersAlive();
    // Where the window keeps its copies of earlier outputs and its reports.
    static QString records()
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/hy3-converter"_s;
    }

    std::unique_ptr<testdata::Workspace> m_dir;
    QWidget *wizard() const override { return m_window.get(); }

    std::unique_ptr<frmDatInstDig> m_window;
    QList<Message> m_messages;
};

static QByteArray hyo(const QByteArray &name, int count, int base = 0)
{
    QList<HyoRecord> records;
    for (int i = 0; i < count; ++i)
        records.append(testdata::hyoRecord(i == 0 ? name : QByteArray("R") + QByteArray::number(i), base + i));
    return testdata::encode(records);
}

// The window keeps its records in the user's data folder: here a test one.
void TestWizardFlow::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestWizardFlow::init()
{
    QDir(records()).removeRecursively();
    m_dir = std::make_unique<testdata::Workspace>();
    QVERIFY(m_dir->isValid());
    m_messages.clear();
    setMessageHandlerForTesting([this](const Message &message) { m_messages.append(message); });
    frmDatInstDig::setFinishButtonsWaitForTesting(0);
    m_window = std::make_unique<frmDatInstDig>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestWizardFlow::cleanup()
{
    m_window.reset();
    setMessageHandlerForTesting({});
    QCOMPARE(choosersAlive(), 0); // the chooser never outlives the wizard
    QVERIFY(QApplication::topLevelWidgets().isEmpty() || std::none_of(
        QApplication::topLevelWidgets().cbegin(), QApplication::topLevelWidgets().cend(),
        [](QWidget *w) { return w->isVisible(); }));
}

int TestWizardFlow::choosersAlive()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QWidgetList widgets = QApplication::allWidgets();
    return static_cast<int>(std::count_if(widgets.cbegin(), widgets.cend(),
                                          [](QWidget *w) { return qobject_cast<frmChoiceFolder *>(w); }));
}

void TestWizardFlow::browse(int index, const std::function<void(frmChoiceFolder *)> &answer)
{
    QTest::mouseClick(command2(index), Qt::LeftButton);
    auto *chooser = m_window->findChild<frmChoiceFolder *>();
    QVERIFY(chooser && chooser->isVisible() && chooser->isModal());
    answer(chooser);
}

void TestWizardFlow::convert()
{
    QSignalSpy finished(m_window.get(), &frmDatInstDig::batchFinished);
    QTest::mouseClick(command1(2), Qt::LeftButton);
    QVERIFY(finished.wait(60000));
}

void TestWizardFlow::writeSources(const Files &files)
{
    for (const auto &[name, bytes] : files)
        testdata::writeFile(src() + u'/' + name, bytes);
}

void TestWizardFlow::typeFoldersAndList()
{
    text1(0)->clear();
    text1(1)->clear();
    QTest::keyClicks(text1(0), u"  "_s + src());
    QTest::keyClicks(text1(1), dst());
    clickNext();
}

void TestWizardFlow::clickNext()
{
    QSignalSpy listed(m_window.get(), &frmDatInstDig::listingFinished);
    QTest::mouseClick(command1(0), Qt::LeftButton);
    QVERIFY(listed.size() == 1 || listed.wait(10000));
}

QStringList TestWizardFlow::column(int index) const
{
    QStringList texts;
    for (int row = 1; row <= listView1()->rowCount(); ++row)
        texts.append(listView1()->row(row)->text(index));
    return texts;
}

void TestWizardFlow::nextFollowsTheFolderTexts_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<bool>("enabled");
    QTest::addRow("both empty") << QString() << QString() << false;
    QTest::addRow("source only") << u"a"_s << QString() << false;
    QTest::addRow("destination only") << QString() << u"b"_s << false;
    QTest::addRow("one character each") << u"a"_s << u"b"_s << true;
    QTest::addRow("spaces only name no folder") << u"a"_s << u"  "_s << false;
    QTest::addRow("a full-width space alone is blank") << u"a"_s << u"\u3000"_s << false;
    QTest::addRow("a full-width space in a name stays") << u"a"_s << u"\u3000b"_s << true;
    QTest::addRow("spaces around a name") << u" a "_s << u" b"_s << true;
}

void TestWizardFlow::nextFollowsTheFolderTexts()
{
    QFETCH(QString, source);
    QFETCH(QString, destination);
    text1(0)->insert(source); // as typed or pasted
    text1(1)->insert(destination);
    QTEST(command1(0)->isEnabled(), "enabled");
    text1(0)->clear(); // emptying either field disables it again
    QVERIFY(!command1(0)->isEnabled());
}

void TestWizardFlow::listing_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<bool>("privateKind");
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QMessageBox::Icon>("icon");

    const Files mixed{{u"a.hyo"_s, hyo("ABC", 5)},
                      {u"b.hyo"_s, testdata::le16(0)},
                      {u"c.hyp"_s, testdata::encode(testdata::manyHypRecords(2))}};
    QTest::addRow("standard") << mixed << false << 1 << QStringList{u"a.hyo|ABC|5"_s} << QString() << QString()
                              << QMessageBox::NoIcon;
    QTest::addRow("private") << mixed << true << 1 << QStringList{u"c.hyp|P1|2"_s} << QString() << QString()
                             << QMessageBox::NoIcon;
    QTest::addRow("all empty: no rows, no message")
        << Files{{u"z.hyo"_s, testdata::le16(0)}} << false << 1 << QStringList{} << QString() << QString()
        << QMessageBox::NoIcon;
    QTest::addRow("nothing found") << Files{{u"c.hyp"_s, hyo("C", 1)}} << false << 0 << QStringList{}
                                   << u"指定したフォルダ(ドライブ)からは、データファイルは発見されませんでした。"_s
                                   << u"ファイルが見つかりません"_s << QMessageBox::Critical;
    QTest::addRow("a file in error") << Files{{u"bad.hyo"_s, testdata::le16(-1)}} << false << 0 << QStringList{}
                                     << u"54:「%1」の行数が負の値です（-1）"_s << u"データバージョンUPコンバータ"_s
                                     << QMessageBox::NoIcon;
}

void TestWizardFlow::listing()
{
    QFETCH(Files, files);
    QFETCH(bool, privateKind);
    QFETCH(QString, prompt);
    writeSources(files);
    if (privateKind)
        QTest::mouseClick(option1(1), Qt::LeftButton);

    typeFoldersAndList();

    QTEST(page(), "page");
    QStringList rows;
    for (int row = 1; row <= listView1()->rowCount(); ++row) {
        const auto *item = listView1()->row(row);
        rows.append(item->text(0) + u'|' + item->text(1) + u'|' + item->text(2));
    }
    QTEST(rows, "rows");
    QVERIFY(listView1()->isVisible() || page() != 1);
    QVERIFY(!listView1()->isHidden());
    if (prompt.isEmpty()) {
        QVERIFY(m_messages.isEmpty());
        return;
    }
    QCOMPARE(m_messages.size(), 1);
    if (prompt.contains(u"%1"_s))
        prompt = prompt.arg(QDir::toNativeSeparators(src() + u"/bad.hyo"_s));
    QCOMPARE(m_messages[0].prompt, prompt);
    QTEST(m_messages[0].title, "title");
    QTEST(m_messages[0].icon, "icon");
}

void TestWizardFlow::backThenNextListsAfresh()
{
    writeSources({{u"a.hyo"_s, hyo("A", 1)}});
    typeFoldersAndList();
    QCOMPARE(column(0), QStringList{u"a.hyo"_s});
    QTest::mouseClick(command1(6), Qt::LeftButton);
    QCOMPARE(page(), 0);
    writeSources({{u"b.hyo"_s, hyo("B", 1)}});
    clickNext();
    QStringList names = column(0);
    names.sort();
    QCOMPARE(names, (QStringList{u"a.hyo"_s, u"b.hyo"_s}));
}

void TestWizardFlow::sorting_data()
{
    QTest::addColumn<QList<int>>("clicks"); // 0-based header sections
    QTest::addColumn<QStringList>("order");
    QTest::addRow("name ascending, numbers by value") << QList<int>{0}
                                                      << QStringList{u"Alpha.hyo"_s, u"route9.hyo"_s, u"route10.hyo"_s};
    QTest::addRow("same header again: descending") << QList<int>{0, 0}
                                                   << QStringList{u"route10.hyo"_s, u"route9.hyo"_s, u"Alpha.hyo"_s};
    QTest::addRow("third click: ascending") << QList<int>{0, 0, 0}
                                            << QStringList{u"Alpha.hyo"_s, u"route9.hyo"_s, u"route10.hyo"_s};
    QTest::addRow("another header takes the shared flag: descending")
        << QList<int>{0, 1} << QStringList{u"Alpha.hyo"_s, u"route9.hyo"_s, u"route10.hyo"_s};
    QTest::addRow("counts by value") << QList<int>{2}
                                     << QStringList{u"route10.hyo"_s, u"Alpha.hyo"_s, u"route9.hyo"_s};
}

void TestWizardFlow::sorting()
{
    QFETCH(QList<int>, clicks);
    // 内容: c, B, a (case ignored); counts 12, 100, 9.
    writeSources({{u"Alpha.hyo"_s, hyo("c", 12)}, {u"route9.hyo"_s, hyo("B", 100)}, {u"route10.hyo"_s, hyo("a", 9)}});
    typeFoldersAndList();
    QHeaderView *header = listView1()->header();
    for (int section : clicks)
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(section) + 10, header->height() / 2));
    QTEST(column(0), "order");
    QVERIFY(header->isSortIndicatorShown());
    QCOMPARE(header->sortIndicatorSection(), clicks.last());
}

void TestWizardFlow::selectAllAndClear()
{
    QTest::mouseClick(command1(0), Qt::LeftButton); // disabled: nothing happens
    QCOMPARE(page(), 0);
    writeSources({{u"a.hyo"_s, hyo("A", 1)}, {u"b.hyo"_s, hyo("B", 1)}, {u"c.hyo"_s, hyo("C", 1)}});
    typeFoldersAndList();
    QTest::mouseClick(command3(0), Qt::LeftButton);
    QCOMPARE(listView1()->selectedItems().size(), 3);
    QVERIFY(listView1()->hasFocus());
    QTest::mouseClick(command3(1), Qt::LeftButton);
    QVERIFY(listView1()->selectedItems().isEmpty());

    listView1()->clear();
    command1(2)->setFocus();
    QTest::mouseClick(command3(0), Qt::LeftButton);
    QVERIFY(listView1()->hasFocus());
}

void TestWizardFlow::convertSelected_data()
{
    QTest::addColumn<bool>("privateKind");
    QTest::addRow("standard") << false;
    QTest::addRow("private") << true;
}

void TestWizardFlow::convertSelected()
{
    QFETCH(bool, privateKind);
    const QString ext = privateKind ? u"hyp"_s : u"hyo"_s;
    QMap<QString, QList<Hy3Record>> expected;
    const ColumnOptions options{!privateKind, 4, true, 2, 120};
    for (const QString &stem : {u"one"_s, u"two"_s, u"three"_s}) {
        const QString name = stem + u'.' + ext;
        if (privateKind) {
            const auto records = testdata::manyHypRecords(stem.size());
            writeSources({{name, testdata::encode(records)}});
            for (const auto &r : records)
                expected[stem].append(mapRecord(r, options));
        } else {
            const auto records = testdata::manyHyoRecords(stem.size());
            writeSources({{name, testdata::encode(records)}});
            for (const auto &r : records)
                expected[stem].append(mapRecord(r, options));
        }
    }
    const auto before = testdata::snapshot(src() + u"/one."_s + ext);
    if (privateKind)
        QTest::mouseClick(option1(1), Qt::LeftButton);
    typeFoldersAndList();

    // Ctrl-click two rows, as on a desktop.
    FileListView *list = listView1();
    list->sortRows(0, Qt::AscendingOrder); // one, three, two
    for (int row : {1, 3})
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, list->visualItemRect(list->row(row)).center());
    QCOMPARE(list->selectedItems().size(), 2);
    QTest::mouseClick(check1(0), Qt::LeftButton, {}, QPoint(8, check1(0)->height() / 2));
    QTest::mouseClick(check1(1), Qt::LeftButton, {}, QPoint(8, check1(1)->height() / 2));
    combo1(0)->setCurrentIndex(3);
    combo1(1)->setCurrentIndex(1);
    combo1(2)->setCurrentIndex(119);

    convert();

    QVERIFY2(m_messages.isEmpty(), m_messages.isEmpty() ? "" : qPrintable(m_messages[0].prompt));
    QCOMPARE(page(), 2);
    QCOMPARE(testdata::readFile(dst() + u"/one.hy3"_s), testdata::encodeHy3(expected[u"one"_s]));
    QCOMPARE(testdata::readFile(dst() + u"/two.hy3"_s), testdata::encodeHy3(expected[u"two"_s]));
    QVERIFY(!QFile::exists(dst() + u"/three.hy3"_s));
    QCOMPARE(m_window->progressValue(), 100.0f);
    QCOMPARE(label(12)->text(), QDir::toNativeSeparators(src() + u"/two."_s + ext));
    QCOMPARE(label(14)->text(), QDir::toNativeSeparators(dst() + u"/two.hy3"_s));
    QVERIFY(label(7)->isVisible() && label(8)->isVisible());
    QVERIFY(command1(4)->isVisible() && command1(5)->isVisible());
    QCOMPARE(testdata::snapshot(src() + u"/one."_s + ext), before);
}

// A name in cp932 bytes is listed decoded and converted into an output with
// the same bytes; a link standing at an output name is reported, not written through.
void TestWizardFlow::oddNamesAndLinks()
{
#ifdef Q_OS_WIN
    QSKIP("names as bytes and symbolic links are POSIX");
#else
    const QByteArray data = hyo("A", 2);
    const QByteArray raw = QFile::encodeName(src()) + '/' + QByteArray::fromHex("984890FC31") + ".hyo";
    testdata::writeFile(src() + u"/plain.hyo"_s, data);
    QVERIFY(QFile::rename(src() + u"/plain.hyo"_s, src() + u"/tmp.hyo"_s));
    QCOMPARE(::rename(QFile::encodeName(src() + u"/tmp.hyo"_s).constData(), raw.constData()), 0);
    testdata::writeFile(src() + u"/linked.hyo"_s, data);
    testdata::writeFile(m_dir->filePath(u"report.txt"_s), "REPORT");
    QVERIFY(QFile::link(u"../report.txt"_s, dst() + u"/linked.hy3"_s));

    typeFoldersAndList();
    QStringList names = column(0);
    names.sort();
    QCOMPARE(names, (QStringList{u"linked.hyo"_s, u"路線1.hyo"_s}));
    QTest::mouseClick(command3(0), Qt::LeftButton);
    convert();

    const QByteArray output = QFile::encodeName(dst()) + '/' + QByteArray::fromHex("984890FC31") + ".hy3";
    QVERIFY(::access(output.constData(), F_OK) == 0);
    QCOMPARE(testdata::readFile(m_dir->filePath(u"report.txt"_s)), QByteArray("REPORT"));
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].prompt.contains(u"linked.hy3"_s) && m_messages[0].prompt.contains(u"シンボリックリンク"_s),
             qPrintable(m_messages[0].prompt));
    QVERIFY(::unlink(raw.constData()) == 0 && ::unlink(output.constData()) == 0);
#endif
}

void TestWizardFlow::noSelection()
{
    writeSources({{u"a.hyo"_s, hyo("A", 1)}});
    typeFoldersAndList();
    convert();
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].prompt, u"項目が１つも選択されていません！"_s);
    QCOMPARE(m_messages[0].title, u"項目の未選択を検知！"_s);
    QCOMPARE(m_messages[0].icon, QMessageBox::Critical);
    QCOMPARE(m_window->progressValue(), 0.0f);
    QVERIFY(label(7)->isVisible() && command1(5)->isVisible());
    QVERIFY(QDir(dst()).isEmpty());
}

void TestWizardFlow::failedFilesAreSummarised_data()
{
    QTest::addColumn<QStringList>("gone"); // vanish between the listing and the conversion
    QTest::addColumn<QString>("opening");
    QTest::addRow("some of three") << QStringList{u"b.hyo"_s}
                                   << u"次のファイルは変換できませんでした（3 件中 1 件）。ほかの選択したファイルは変換しました。"_s;
    QTest::addRow("all of three") << QStringList{u"a.hyo"_s, u"b.hyo"_s, u"c.hyo"_s}
                                  << u"選択した 3 件のファイルは、どれも変換できませんでした。"_s;
    QTest::addRow("one of one") << QStringList{u"a.hyo"_s} << u"選択したファイルを変換できませんでした。"_s;
}

// The box says how many failed in words that fit, and names each file with its cause.
void TestWizardFlow::failedFilesAreSummarised()
{
    QFETCH(QStringList, gone);
    QFETCH(QString, opening);
    const bool one = gone.size() == 1 && gone.first() == u"a.hyo";
    writeSources({{u"a.hyo"_s, hyo("A", 1)}});
    if (!one)
        writeSources({{u"b.hyo"_s, hyo("B", 1)}, {u"c.hyo"_s, hyo("C", 1)}});
    typeFoldersAndList();
    for (const QString &name : gone)
        QVERIFY(QFile::remove(src() + u'/' + name));
    QTest::mouseClick(command3(0), Qt::LeftButton);
    convert();

    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].icon, QMessageBox::Critical);
    QVERIFY2(m_messages[0].prompt.startsWith(opening + u"\n\n"_s), qPrintable(m_messages[0].prompt));
    for (const QString &name : gone)
        QVERIFY2(m_messages[0].prompt.contains(u"・「"_s) && m_messages[0].prompt.contains(name)
                     && m_messages[0].prompt.contains(u"見つかりません"_s),
                 qPrintable(m_messages[0].prompt));
    QCOMPARE(m_window->progressValue(), 100.0f);
    QVERIFY(command1(4)->isVisible() && label(8)->isVisible());
}

void TestWizardFlow::secondBatchAfterJumpingBack()
{
    writeSources({{u"a.hyo"_s, hyo("A", 1)}, {u"b.hyo"_s, hyo("B", 1)}, {u"c.hyo"_s, hyo("C", 1)}});
    typeFoldersAndList();
    QTest::mouseClick(command3(0), Qt::LeftButton);
    convert();
    QTest::mouseClick(command1(4), Qt::LeftButton);
    QCOMPARE(page(), 0);

    QDir(dst()).removeRecursively();
    QDir().mkpath(dst());
    clickNext();
    listView1()->row(2)->setSelected(true);
    listView1()->row(1)->setSelected(false);
    listView1()->row(3)->setSelected(false);
    showPage(2);
    QVERIFY(label(7)->isVisible()); // the notes stay from the first batch
    showPage(1);
    QSignalSpy finished(m_window.get(), &frmDatInstDig::batchFinished);
    QTest::mouseClick(command1(2), Qt::LeftButton); // the click starts the batch and returns
    QVERIFY2(!label(7)->isVisible() && !label(8)->isVisible(), "「完了しました」 stood over a moving bar");
    QVERIFY(finished.wait(60000));
    QVERIFY(label(7)->isVisible() && label(8)->isVisible());
    QCOMPARE(QDir(dst()).entryList(QDir::Files), QStringList{listView1()->row(2)->text(0).chopped(4) + u".hy3"_s});
    QCOMPARE(m_window->progressValue(), 100.0f);
}

void TestWizardFlow::stopDuringABatch_data()
{
    QTest::addColumn<bool>("byClosing");
    QTest::addRow("「中止」") << false;
    QTest::addRow("a close of the frame") << true;
}

// 「中止」 (or a close of the window) stops a batch once the group being
// written is on the disk: what was reported stays converted, the rest is
// untouched, and the box says how many of each. The click comes while the
// batch waits at the creation of its 50th output, so the count is exact.
void TestWizardFlow::stopDuringABatch()
{
    QFETCH(bool, byClosing);
    constexpr int kFiles = 400;
    constexpr int kAt = 50;
    for (int i = 0; i < kFiles; ++i)
        writeSources({{u"f%1.hyo"_s.arg(i, 3, 10, QChar(u'0')), hyo("F", 20)}});
    typeFoldersAndList();
    QTest::mouseClick(command3(0), Qt::LeftButton);
    QSignalSpy ended(m_window.get(), &frmDatInstDig::ended);
    QSignalSpy finished(m_window.get(), &frmDatInstDig::batchFinished);
    std::atomic<bool> waiting{false};
    std::atomic<bool> clicked{false};
    fs::sys::testing::clear();
    fs::sys::testing::beforeCall(fs::sys::Call::Create, kAt, [&] {
        waiting.store(true);
        while (!clicked.load())
            QThread::msleep(1);
    });
    QTest::mouseClick(command1(2), Qt::LeftButton);
    QTRY_VERIFY(waiting.load());
    auto *stop = m_window->findChild<QPushButton *>(u"StopButton"_s);
    QVERIFY(stop->isVisible() && !command1(4)->isVisible() && !command1(5)->isVisible());
    if (byClosing)
        m_window->close();
    else
        QTest::mouseClick(stop, Qt::LeftButton);
    clicked.store(true);
    QVERIFY(finished.wait(60000));
    fs::sys::testing::clear();

    QCOMPARE(QDir(dst()).entryList({u"*.hy3"_s}, QDir::Files).size(), kAt);
    QCOMPARE(QDir(dst()).entryList(QDir::Files | QDir::Hidden).size(), kAt); // no temporary left
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].prompt.contains(u"%1 件を変換し、残りの %2 件は変換していません"_s.arg(kAt).arg(kFiles - kAt)),
             qPrintable(m_messages[0].prompt));
    QCOMPARE(ended.size(), byClosing ? 1 : 0);
    QCOMPARE(fs::registeredTemporaries(), 0);
    if (byClosing)
        return;
    // The page says the batch was stopped, not 「完了しました」.
    auto *note = m_window->findChild<QLabel *>(u"StoppedNote"_s);
    QVERIFY(note->isVisible() && note->text().contains(u"中止しました"_s) && !label(7)->isVisible());

    // A second batch after 「最初へジャンプ」 runs whole: the first one's stop is not left standing.
    QTest::mouseClick(command1(4), Qt::LeftButton);
    clickNext();
    QTest::mouseClick(command3(0), Qt::LeftButton);
    convert();
    QCOMPARE(QDir(dst()).entryList({u"*.hy3"_s}, QDir::Files).size(), kFiles);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(label(7)->isVisible() && !note->isVisible());
}

// Converted, then edited in the version-3 application, then converted again:
// the edited output is kept, byte for byte, in the user's data folder before
// it is replaced; outputs that are already right are left untouched; the
// batch leaves a report; copies older than 90 days go.
void TestWizardFlow::aReRunKeepsWhatTheUserMade()
{
    writeSources({{u"a.hyo"_s, hyo("A", 2)}, {u"b.hyo"_s, hyo("B", 3)}, {u"c.hyo"_s, hyo("C", 4)}});
    typeFoldersAndList();
    QTest::mouseClick(command3(0), Qt::LeftButton);
    convert();
    const QByteArray edited = "EDITED IN VERSION 3";
    testdata::writeFile(dst() + u"/b.hy3"_s, edited);
    const QDateTime longAgo(QDate(2020, 1, 1), QTime(12, 0));
    {
        QFile untouched(dst() + u"/a.hy3"_s);
        QVERIFY(untouched.open(QIODevice::ReadWrite) && untouched.setFileTime(longAgo, QFileDevice::FileModificationTime));
    }
    const QString oldRun = records() + u"/backup/2020-01-01_000000"_s;
    const QString recentRun = records() + u"/backup/"_s + QDateTime::currentDateTime().addDays(-1).toString(u"yyyy-MM-dd_HHmmss"_s);
    QVERIFY(QDir().mkpath(oldRun + u"/srv"_s) && QDir().mkpath(recentRun + u"/srv"_s));
    testdata::writeFile(oldRun + u"/srv/x.hy3"_s, "OLD");
    testdata::writeFile(recentRun + u"/srv/y.hy3"_s, "RECENT");

    QTest::mouseClick(command1(4), Qt::LeftButton);
    clickNext();
    QTest::mouseClick(command3(0), Qt::LeftButton);
    convert();

    QVERIFY(m_messages.isEmpty());
    QCOMPARE(QFileInfo(dst() + u"/a.hy3"_s).lastModified(), longAgo);
    QVERIFY(testdata::readFile(dst() + u"/b.hy3"_s) != edited);
    QStringList kept;
    for (QDirIterator it(records() + u"/backup"_s, {u"b.hy3"_s}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        kept.append(it.next());
    QCOMPARE(kept.size(), 1);
    QCOMPARE(testdata::readFile(kept.first()), edited);
    QString whole = QDir::cleanPath(QFileInfo(dst()).absoluteFilePath());
    whole.remove(u':'); // a drive's colon is no part of a folder name
    QVERIFY2(QDir::cleanPath(kept.first()).endsWith(whole + u"/b.hy3"_s), qPrintable(kept.first()));
    QVERIFY(!QFileInfo::exists(oldRun));
    QVERIFY(QFileInfo::exists(recentRun + u"/srv/y.hy3"_s));

    const QStringList reports = QDir(records() + u"/report"_s).entryList({u"*.csv"_s}, QDir::Files, QDir::Name);
    QCOMPARE(reports.size(), 2);
    const QString report = QString::fromUtf8(testdata::readFile(records() + u"/report/"_s + reports.last()).mid(3));
    const QStringList lines = report.split(u"\r\n"_s, Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4); // the header, then the files in the list's order
    const auto line = [&lines](const QString &output) {
        const QStringList found = lines.filter(QDir::toNativeSeparators(u'/' + output + u','));
        return found.size() == 1 ? found.first() : QString();
    };
    QVERIFY2(line(u"a.hy3"_s).endsWith(u",同じ内容のため、そのままにしました,,2,"_s), qPrintable(report));
    QVERIFY2(line(u"b.hy3"_s).endsWith(u",変換しました,,3,"_s + QDir::toNativeSeparators(kept.first())), qPrintable(report));
    auto *counts = m_window->findChild<QLabel *>(u"ResultCounts"_s);
    QVERIFY(counts->isVisible());
    QCOMPARE(counts->text(), u"変換 1 件、同じ内容でそのまま 2 件、失敗 0 件、未実行 0 件"_s);
    QVERIFY(m_window->findChild<QPushButton *>(u"OpenReportButton"_s)->isEnabled());
}

// 「完了」 appears where 「中止」 was: a click meant for 「中止」 that comes
// just as the batch ends does not end the program.
void TestWizardFlow::finishButtonsWaitAMoment()
{
    writeSources({{u"a.hyo"_s, hyo("A", 1)}});
    typeFoldersAndList();
    QTest::mouseClick(command3(0), Qt::LeftButton);
    frmDatInstDig::setFinishButtonsWaitForTesting(60000);
    QSignalSpy ended(m_window.get(), &frmDatInstDig::ended);
    convert();
    QVERIFY(command1(5)->isVisible());
    QTest::mouseClick(command1(5), Qt::LeftButton);
    QTest::mouseClick(command1(4), Qt::LeftButton);
    QCOMPARE(ended.size(), 0);
    QCOMPARE(page(), 2);
}

// A destination folder that is not there is said once, before the batch,
// back on the settings page; no file is tried.
void TestWizardFlow::aMissingDestinationIsSaidOnce()
{
    writeSources({{u"a.hyo"_s, hyo("A", 1)}, {u"b.hyo"_s, hyo("B", 1)}});
    typeFoldersAndList();
    QVERIFY(QDir(dst()).removeRecursively());
    QTest::mouseClick(command3(0), Qt::LeftButton);
    convert();
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].prompt.contains(u"見つかりません"_s) && m_messages[0].prompt.contains(QDir::toNativeSeparators(dst())),
             qPrintable(m_messages[0].prompt));
    QCOMPARE(page(), 0);
    QVERIFY(!QFileInfo::exists(dst()));
}

// A folder that takes its time to read leaves the window answering: the
// user can go back, and the listing that was left is never shown.
void TestWizardFlow::theWindowAnswersWhileAFolderIsRead()
{
    writeSources({{u"a.hyo"_s, hyo("A", 1)}});
    std::atomic<bool> release{false};
    fs::sys::testing::clear();
    fs::sys::testing::beforeCall(fs::sys::Call::ListFolder, 1, [&release] {
        while (!release.load())
            QThread::msleep(5);
    });
    QTest::keyClicks(text1(0), src());
    QTest::keyClicks(text1(1), dst());
    QTest::mouseClick(command1(0), Qt::LeftButton);
    QCOMPARE(page(), 1);
    QVERIFY(m_window->isBusy());
    QVERIFY(!command1(2)->isEnabled());
    QTest::mouseClick(command1(6), Qt::LeftButton); // "<< 戻る(B)" while the folder is read
    QCOMPARE(page(), 0);
    QVERIFY(!m_window->isBusy());
    release.store(true);
    QSignalSpy listed(m_window.get(), &frmDatInstDig::listingFinished);
    QVERIFY(!listed.wait(300)); // the left listing comes to nothing
    QCOMPARE(page(), 0);
    QVERIFY(m_messages.isEmpty());
    fs::sys::testing::clear();
    clickNext();
    QCOMPARE(column(0), QStringList{u"a.hyo"_s});
}

void TestWizardFlow::endings_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("button"); // -1: a close of the frame
    QTest::addColumn<bool>("detailedListing");
    QTest::addRow("cancel on the settings page") << 0 << 1 << false;
    QTest::addRow("cancel on the file list page") << 1 << 3 << false;
    QTest::addRow("finish") << 2 << 5 << true;
    QTest::addRow("frame closed") << 1 << -1 << false;
}

// 「完了」 runs the detailed listing (over the root, bound to no list)
// before the window goes; the other endings don't.
void TestWizardFlow::endings()
{
    QFETCH(int, page);
    QFETCH(int, button);
    browse(0, [](frmChoiceFolder *chooser) { control<QPushButton>(chooser, u"Command1_1"_s)->click(); });
    QCOMPARE(choosersAlive(), 1); // used once, kept hidden; it goes with the wizard
    QSignalSpy ended(m_window.get(), &frmDatInstDig::ended);

    showPage(page);
    fs::sys::testing::clear();
    if (button < 0)
        m_window->close();
    else
        QTest::mouseClick(command1(button), Qt::LeftButton);
    const bool listed = fs::sys::testing::calls(fs::sys::Call::ListFolder) > 0;
    fs::sys::testing::clear();

    QCOMPARE(ended.size(), 1);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(choosersAlive(), 0);
    QTEST(listed, "detailedListing");
}

void TestWizardFlow::finishSurvivesAFailingDetailedListing()
{
    fs::sys::testing::failEvery(fs::sys::Call::OpenFolder, EIO);
    QSignalSpy ended(m_window.get(), &frmDatInstDig::ended);
    showPage(2);
    QTest::mouseClick(command1(5), Qt::LeftButton);
    fs::sys::testing::clear();
    QCOMPARE(ended.size(), 1);
    QVERIFY(!m_window->isVisible());
}

void TestWizardFlow::browsing_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("prompt");
    QTest::addRow("source, OK") << 0 << true << u"旧バージョンのデータが入っている位置(フォルダー)を指定してください"_s;
    QTest::addRow("destination, OK") << 1 << true << u"コンバートしたデータの保存先(フォルダー)を指定してください"_s;
    QTest::addRow("source, cancel") << 0 << false << u"旧バージョンのデータが入っている位置(フォルダー)を指定してください"_s;
}

void TestWizardFlow::browsing()
{
    QFETCH(int, index);
    QFETCH(bool, ok);
    text1(index)->setText(u"before"_s);
    const QString folder = QDir::cleanPath(src());
    QString seenPrompt;
    browse(index, [&](frmChoiceFolder *chooser) {
        seenPrompt = control<QLabel>(chooser, u"Label1"_s)->text();
        auto *folders = control<DirectoryList>(chooser, u"Dir1"_s);
        folders->setPath(folder);
        QTRY_COMPARE(folders->path(), folder);
        control<QPushButton>(chooser, u"Command1"_s, ok ? 0 : 1)->click();
    });

    QTEST(seenPrompt, "prompt");
    QCOMPARE(text1(index)->text(), ok ? QDir::toNativeSeparators(folder + u'/') : u"before"_s);
    QCOMPARE(text1(1 - index)->text(), QString());
}

void TestWizardFlow::drops_data()
{
    QTest::addColumn<QString>("dropped"); // relative to the temporary folder; empty for a web address
    QTest::addColumn<QString>("expected");
    QTest::addRow("a folder") << u"src"_s << u"src"_s;
    QTest::addRow("a file gives its folder") << u"src/a.hyo"_s << u"src"_s;
    QTest::addRow("not a local file") << QString() << QString();
}

void TestWizardFlow::drops()
{
    QFETCH(QString, dropped);
    QFETCH(QString, expected);
    testdata::writeFile(src() + u"/a.hyo"_s, hyo("A", 1));
    text1(1)->setText(u"x"_s);
    auto *data = new QMimeData;
    data->setUrls({dropped.isEmpty() ? QUrl(u"https://example.invalid/a"_s)
                                     : QUrl::fromLocalFile(m_dir->filePath(dropped))});
    QLineEdit *field = text1(0);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &enter);
    if (!dropped.isEmpty())
        QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &drop);
    if (!dropped.isEmpty()) {
        QCOMPARE(field->text(), QDir::toNativeSeparators(m_dir->filePath(expected)));
        QVERIFY(command1(0)->isEnabled());
    }
    delete data;
}

void TestWizardFlow::openedWithAFolder_data()
{
    QTest::addColumn<QString>("argument"); // SRC stands for the source folder
    QTest::addColumn<QString>("field");
    QTest::addRow("a path") << u"SRC"_s << u"SRC"_s;
    QTest::addRow("a trailing separator") << u"SRC/"_s << u"SRC/"_s;
    QTest::addRow("a file:// URL") << u"URL"_s << u"SRC"_s;
    QTest::addRow("a file gives its folder") << u"SRC/a.hyo"_s << u"SRC"_s;
    QTest::addRow("a folder that is not there") << u"SRC/gone"_s << u"SRC/gone"_s;
}

// hy3-converter FOLDER starts with the folder in the source field, as if
// typed: nothing else is filled in, nothing is listed until 「次へ」.
void TestWizardFlow::openedWithAFolder()
{
    QFETCH(QString, argument);
    QFETCH(QString, field);
    writeSources({{u"a.hyo"_s, hyo("A", 1)}});
    const auto expand = [this](QString text) {
        return QDir::toNativeSeparators(text.replace(u"SRC"_s, QDir::cleanPath(src())));
    };
    argument = argument == u"URL" ? QUrl::fromLocalFile(src()).toString() : expand(argument);
    QSignalSpy listed(m_window.get(), &frmDatInstDig::listingFinished);
    m_window->setSourceFolder(folderFromArgument(argument));
    QCOMPARE(text1(0)->text(), expand(field));
    QCOMPARE(text1(1)->text(), QString());
    QCOMPARE(page(), 0);
    QVERIFY(!command1(0)->isEnabled());
    QTest::keyClicks(text1(1), dst());
    clickNext();
    QCOMPARE(listed.size(), 1);
    if (field.endsWith(u"gone"_s)) { // as if typed: the listing says the folder has no data
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(page(), 0);
    } else {
        QCOMPARE(column(0), QStringList{u"a.hyo"_s});
    }
}

void TestWizardFlow::checkBoxClickFocusesTheList()
{
    showPage(1);
    for (int i = 0; i < 2; ++i) {
        combo1(0)->setFocus();
        QTest::mouseClick(check1(i), Qt::LeftButton, {}, QPoint(8, check1(i)->height() / 2));
        QVERIFY(check1(i)->isChecked());
        QTRY_VERIFY(listView1()->hasFocus());
    }
}

void TestWizardFlow::enterAndEscapeDoNothing_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("focused"); // a Command1 index
    QTest::addRow("settings, on キャンセル") << 0 << 1;
    QTest::addRow("file list, on キャンセル") << 1 << 3;
    QTest::addRow("progress, on 完了") << 2 << 5;
}

void TestWizardFlow::enterAndEscapeDoNothing()
{
    QFETCH(int, page);
    QFETCH(int, focused);
    QSignalSpy ended(m_window.get(), &frmDatInstDig::ended);
    showPage(page);
    command1(focused)->setFocus();
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
        QTest::keyClick(command1(focused), key);
    QCOMPARE(ended.size(), 0);
    QVERIFY(m_window->isVisible());
    QCOMPARE(this->page(), page);

    bool stayedOpen = false;
    browse(0, [&](frmChoiceFolder *chooser) {
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape})
            QTest::keyClick(chooser, key);
        stayedOpen = chooser->isVisible();
        control<QPushButton>(chooser, u"Command1_1"_s)->click();
    });
    QVERIFY(stayedOpen);
}

QTEST_MAIN(TestWizardFlow)
#include "tst_wizard_flow.moc"
