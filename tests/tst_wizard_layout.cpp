// SPDX-License-Identifier: MIT
#include "appearance.h"
#include "uicontrols.h"
#include "wizard/filelistview.h"
#include "wizard/frmdatinstdig.h"
#include "wizard/gapcombos.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace hy3::ui;

class TestWizardLayout : public QObject, private WizardControls
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void texts_data();
    void texts();
    void initialState();
    void window();
    void columnChoosers();
    void choosersLieOverTheirGaps_data();
    void choosersLieOverTheirGaps();
    void fileListColumns();
    void focusOrder_data();
    void focusOrder();
    void screenReadersHearEveryField_data();
    void screenReadersHearEveryField();
    void qtTextsInJapanese();

private:
    QWidget *wizard() const override { return m_window.get(); }

    std::unique_ptr<frmDatInstDig> m_window;
};

static QString textOf(QWidget *widget)
{
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        return button->text();
    if (auto *group = qobject_cast<QGroupBox *>(widget))
        return group->title();
    return u"<no text>"_s;
}

void TestWizardLayout::init()
{
    m_window = std::make_unique<frmDatInstDig>();
}

void TestWizardLayout::cleanup()
{
    m_window.reset();
}

void TestWizardLayout::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("text");

    const QString gap(7, QChar(0x3000));
    const auto row = [](const QString &name, const QString &parent, const QString &text) {
        QTest::addRow("%s", qPrintable(name)) << name << parent << text;
    };
    row(u"Label2"_s, u"frmDatInstDig"_s, u"データバージョンUPコンバータ"_s);
    row(u"Label3"_s, u"frmDatInstDig"_s, u"運賃表示器アプリの旧バージョンのデータをVer3用のデータへまとめてコンバートします。"_s);
    row(u"Label5_0"_s, u"Frame1_0"_s, u"１．旧バージョンのデータ(*.hyo/*.hyp)が入っている位置(フォルダー)を指定してください"_s);
    row(u"Command2_0"_s, u"Frame1_0"_s, u"参照(&B)"_s);
    row(u"Label5_4"_s, u"Frame1_0"_s, u"２．コンバートしたデータの保存先(フォルダー)を指定してください"_s);
    row(u"Command2_1"_s, u"Frame1_0"_s, u"参照(&B)"_s);
    row(u"Label9"_s, u"Frame1_0"_s, u"※コンバート先のフォルダーに同じファイル名が存在する場合には、上書きされますのでご注意ください。"_s);
    row(u"Label10"_s, u"Frame1_0"_s,
        u"※コンバート先には、容量の小さいドライブ(FDなど)は指定しないでください。新バージョンのデータは旧バージョンのデータと比較して２～３倍サイズが増えますのでご注意ください。"_s);
    row(u"Frame2"_s, u"Frame1_0"_s, u"３．旧バージョンのデータの種類を選択してください。"_s);
    row(u"Option1_0"_s, u"Frame2"_s, u"*.hyo(皆様は、こちらを選んでください)"_s);
    row(u"Option1_1"_s, u"Frame2"_s, u"*.hyp(ふなぞ自家用データ形式の場合は、こちらを選んでください)"_s);
    row(u"Label5_1"_s, u"Frame1_0"_s, u"上記３項目を指定したら「次へ」をクリックして下さい。データの一覧を作成します。"_s);
    row(u"Command1_0"_s, u"Frame1_0"_s, u"次へ(&N) >>"_s);
    row(u"Command1_1"_s, u"Frame1_0"_s, u"キャンセル"_s);
    row(u"Label5_3"_s, u"Frame1_1"_s, u"以下のデータが指定された場所で見つかりました。変換したいデータを選択して下さい。"_s);
    row(u"Command3_0"_s, u"Frame1_1"_s, u"すべて選択"_s);
    row(u"Command3_1"_s, u"Frame1_1"_s, u"選択の解除"_s);
    row(u"Command1_6"_s, u"Frame1_1"_s, u"<< 戻る(&B)"_s);
    row(u"Frame3"_s, u"Frame1_1"_s, u"旧バージョンデータの情報移行設定"_s);
    row(u"Check1_0"_s, u"Frame3"_s,
        u"上記で選択した旧バージョンのデータの"_s + gap
            + u"列目のデータは「整理券番号」の情報なので、\r\n\r\n新バージョンのデータの「整理券番号列」へ移動します。（*.hypでは無効となります）"_s);
    row(u"Check1_1"_s, u"Frame3"_s,
        u"上記で選択した旧バージョンのデータの"_s + gap + u"列目のデータは必要な情報なので、\r\n\r\n新バージョンのデータの"_s
            + gap + u"列目に移動します。"_s);
    row(u"Command1_2"_s, u"Frame1_1"_s, u"変換実行"_s);
    row(u"Command1_3"_s, u"Frame1_1"_s, u"キャンセル"_s);
    row(u"Label5_2"_s, u"Frame1_2"_s, u"項目を整理してコンバートを行っています。"_s);
    row(u"Label11"_s, u"Frame1_2"_s, u"変換元ファイル名："_s);
    row(u"Label12"_s, u"Frame1_2"_s, QString());
    row(u"Label13"_s, u"Frame1_2"_s, u"変換先ファイル名："_s);
    row(u"Label14"_s, u"Frame1_2"_s, QString());
    row(u"Label7"_s, u"Frame1_2"_s, u"完了しました。下の「完了\uFF63ボタンを押してください。"_s);
    row(u"Label8"_s, u"Frame1_2"_s, u"※継続して、他のフォルダーのデータをコンバートする場合は、「最初へジャンプ」をクリックして下さい。"_s);
    row(u"Command1_4"_s, u"Frame1_2"_s, u"最初へジャンプ"_s);
    row(u"Command1_5"_s, u"Frame1_2"_s, u"完了"_s);
}

void TestWizardLayout::texts()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    auto *widget = m_window->findChild<QWidget *>(name);
    QVERIFY2(widget, qPrintable(name));
    QTEST(textOf(widget), "text");
    QCOMPARE(widget->parentWidget()->objectName(), parent);
}

void TestWizardLayout::initialState()
{
    QCOMPARE(m_window->currentPage(), frmDatInstDig::Page::Settings);
    QVERIFY(!control<QFrame>(m_window.get(), u"Frame1"_s, 0)->isHidden());
    QVERIFY(control<QFrame>(m_window.get(), u"Frame1"_s, 1)->isHidden() && control<QFrame>(m_window.get(), u"Frame1"_s, 2)->isHidden());
    QVERIFY(!command1(0)->isEnabled());
    QVERIFY(option1(0)->isChecked() && !option1(1)->isChecked());
    QVERIFY(!check1(0)->isChecked() && !check1(1)->isChecked());
    QVERIFY(text1(0)->text().isEmpty() && text1(1)->text().isEmpty());
    QCOMPARE(listView1()->rowCount(), 0);
    QCOMPARE(control<QProgressBar>(m_window.get(), u"ProgressBar1"_s)->value(), 0);
    QVERIFY(label(7)->isHidden() && label(8)->isHidden());
    QCOMPARE(option1(0)->palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0x00));
    QCOMPARE(label(9)->palette().color(QPalette::WindowText), QColor(0xFF, 0x00, 0x00));
    QCOMPARE(label(9)->palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0x80));
    QCOMPARE(label(10)->palette().color(QPalette::WindowText), QColor(0x00, 0x00, 0xC0));
    for (QPushButton *button : m_window->findChildren<QPushButton *>())
        QVERIFY(!button->autoDefault() && !button->isDefault());
}

void TestWizardLayout::window()
{
    QCOMPARE(m_window->windowTitle(), u"データバージョンUPコンバータ"_s);
    QCOMPARE(m_window->size(), QSize(652, 483));
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    QVERIFY(!m_window->windowIcon().isNull());
    QVERIFY(!control<QLabel>(m_window.get(), u"Image1"_s)->pixmap().isNull());
    QCOMPARE(control<QLabel>(m_window.get(), u"Image1"_s)->pixmap().size(), QSize(68, 68));
    QCOMPARE(label(2)->font().pointSizeF(), 14.25);
    QVERIFY(label(2)->font().bold());
    QVERIFY(control<QLabel>(m_window.get(), u"Label5"_s, 0)->font().bold() && !control<QLabel>(m_window.get(), u"Label5"_s, 3)->font().bold());
    QVERIFY(control<QGroupBox>(m_window.get(), u"Frame2"_s)->font().bold() && !option1(1)->font().bold());
#ifdef Q_OS_WIN // the layout's own face, or what wine stands in for it with
    QVERIFY2(QStringList({u"ＭＳ Ｐゴシック"_s, u"MS PGothic"_s, u"IPAPGothic"_s}).contains(QFontInfo(m_window->font()).family()),
             qPrintable(QFontInfo(m_window->font()).family()));
#else
    QCOMPARE(QFontInfo(m_window->font()).family(), u"IPAPGothic"_s);
#endif
}

void TestWizardLayout::columnChoosers()
{
    const QList<int> counts{72, 72, 150};
    for (int i = 0; i < 3; ++i) {
        QComboBox *combo = combo1(i);
        QCOMPARE(combo->count(), counts[i]);
        QVERIFY(!combo->isEditable());
        QCOMPARE(combo->currentText(), u"1"_s);
        for (int k = 0; k < combo->count(); ++k)
            QCOMPARE(combo->itemText(k), QString::number(k + 1));
    }
}

void TestWizardLayout::choosersLieOverTheirGaps_data()
{
    QTest::addColumn<int>("combo");
    QTest::addColumn<int>("check");
    QTest::addColumn<int>("gap");
    QTest::addRow("ticket column") << 0 << 0 << 0;
    QTest::addRow("moved column") << 1 << 1 << 0;
    QTest::addRow("target column") << 2 << 1 << 1;
}

void TestWizardLayout::choosersLieOverTheirGaps()
{
    QFETCH(int, combo);
    QFETCH(int, check);
    QFETCH(int, gap);
    const int gapIndex = gap;
    m_window->show();
    m_window->showPage(frmDatInstDig::Page::FileList);
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QComboBox *chooser = combo1(combo);
    QCheckBox *box = check1(check);

    const QRect room = gapRect(box, gapIndex);
    QVERIFY(!room.isEmpty());
    QVERIFY2(room.contains(chooser->geometry().center()), "the list is not over its gap");
    QVERIFY(room.width() >= chooser->width());
    // In front: the frame finds the list, not the check box, at the list's centre.
    QWidget *top = control<QGroupBox>(m_window.get(), u"Frame3"_s)->childAt(chooser->geometry().center());
    QVERIFY(top == chooser || chooser->isAncestorOf(top));

    // A click on the list opens it and leaves the check box as it was.
    QTest::mouseClick(chooser, Qt::LeftButton);
    QTRY_VERIFY(chooser->view()->isVisible());
    chooser->hidePopup();
    QVERIFY(!box->isChecked());
    // The caption is wholly visible, inside the frame.
    QVERIFY(box->width() >= box->sizeHint().width());
    QVERIFY(box->geometry().right() < control<QGroupBox>(m_window.get(), u"Frame3"_s)->width());
}

void TestWizardLayout::fileListColumns()
{
    FileListView *list = listView1();
    QCOMPARE(list->columnCount(), 3);
    const QStringList headers{u"ファイル名"_s, u"内容"_s, u"データ行数"_s};
    const QList<int> widths{120, 267, 96};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(list->headerItem()->text(i), headers[i]);
        QCOMPARE(list->columnWidth(i), widths[i]);
    }
    QCOMPARE(Qt::Alignment(list->headerItem()->textAlignment(2)) & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(list->header()->sectionsClickable());
}

void TestWizardLayout::focusOrder_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("order");
    QTest::addRow("settings") << 0
                              << QStringList{u"Text1_0"_s, u"Command2_0"_s, u"Command1_0"_s, u"Command1_1"_s,
                                             u"Option1_0"_s, u"Command2_1"_s, u"Text1_1"_s, u"Text1_0"_s};
    QTest::addRow("file list") << 1
                               << QStringList{u"ListView1"_s, u"Command1_2"_s, u"Command1_3"_s, u"Command1_6"_s,
                                              u"Command3_0"_s, u"Command3_1"_s, u"Combo1_2"_s, u"Combo1_1"_s,
                                              u"Check1_1"_s, u"Combo1_0"_s, u"Check1_0"_s, u"ListView1"_s};
    QTest::addRow("progress") << 2 << QStringList{u"Command1_4"_s, u"Command1_5"_s, u"Command1_4"_s};
}

void TestWizardLayout::focusOrder()
{
    QFETCH(int, page);
    QFETCH(QStringList, order);
    text1(0)->setText(u"a"_s);
    text1(1)->setText(u"b"_s); // "次へ" takes the focus only when enabled
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    if (page == 0)
        QCOMPARE(QApplication::focusWidget(), text1(0)); // where the window opens
    m_window->showPage(static_cast<frmDatInstDig::Page>(page));
    m_window->findChild<QWidget *>(order.first())->setFocus();

    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(visited, order);
}

void TestWizardLayout::screenReadersHearEveryField_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("heard");
    QTest::addRow("source folder") << u"Text1_0"_s
                                   << u"１．旧バージョンのデータ(*.hyo/*.hyp)が入っている位置(フォルダー)を指定してください"_s;
    QTest::addRow("destination folder") << u"Text1_1"_s << u"２．コンバートしたデータの保存先(フォルダー)を指定してください"_s;
    QTest::addRow("ticket column") << u"Combo1_0"_s << u"整理券番号の列"_s;
    QTest::addRow("moved column") << u"Combo1_1"_s << u"移動元の列"_s;
    QTest::addRow("target column") << u"Combo1_2"_s << u"移動先の列"_s;
    QTest::addRow("progress") << u"ProgressBar1"_s << u"項目を整理してコンバートを行っています。"_s;
}

// Every input has the name the user reads beside it, and a label that
// speaks for it (a drop-down is otherwise announced by its current item).
void TestWizardLayout::screenReadersHearEveryField()
{
    QFETCH(QString, name);
    QFETCH(QString, heard);
    QWidget *field = control(m_window.get(), name);
    QCOMPARE(field->accessibleName(), heard);
    const QList<QLabel *> labels = m_window->findChildren<QLabel *>();
    QVERIFY(std::any_of(labels.cbegin(), labels.cend(), [&](QLabel *label) { return label->buddy() == field; }));
    if (auto *combo = qobject_cast<QComboBox *>(field))
        QVERIFY(combo->maxVisibleItems() <= 10);
}

void TestWizardLayout::qtTextsInJapanese()
{
    QVERIFY(installJapaneseTranslations(*qApp));
    QVERIFY(QCoreApplication::translate("QLineEdit", "&Undo") != u"&Undo"_s);
}

QTEST_MAIN(TestWizardLayout)
#include "tst_wizard_layout.moc"
