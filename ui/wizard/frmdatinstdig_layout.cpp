// SPDX-License-Identifier: MIT
// The window's controls: texts, places in pixels at 96 dpi, fonts, colours and
// focus order. Behaviour lives in frmdatinstdig.cpp.

#include "frmdatinstdig.h"

#include "appearance.h"
#include "filelistview.h"
#include "folderdrop.h"
#include "gapcombos.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <array>

using namespace Qt::StringLiterals;

namespace hy3::ui {

namespace {

const QString kIdeographicGap(7, QChar(0x3000));
const QRect kCheckPlaces[2] = {{19, 20, 509, 46}, {21, 68, 500, 46}};
constexpr const char16_t *kColumnNames[3] = {u"整理券番号の列", u"移動元の列", u"移動先の列"};

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text, const QRect &place, bool bold = false)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(place);
    if (bold)
        label->setFont(converterFont(9, true));
    return label;
}

// A thin box: the separator lines and the frame drawn around the progress bar.
QFrame *makeBox(QWidget *parent, const QString &name, const QRect &place)
{
    auto *box = new QFrame(parent);
    box->setObjectName(name);
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    box->setLineWidth(1);
    box->setGeometry(place);
    return box;
}

// A drop-down opens as a list of ten items with a scroll bar, not as a list
// the height of the screen over the current item.
void showAsShortList(QComboBox *combo)
{
    combo->setMaxVisibleItems(10);
    combo->setStyleSheet(u"QComboBox { combobox-popup: 0; }"_s);
}

// Screen readers announce a drop-down by its current item unless a label
// speaks for it: an invisible buddy, as well as the name and description.
void nameForScreenReaders(QWidget *field, const QString &name)
{
    field->setAccessibleName(name);
    field->setAccessibleDescription(name);
    auto *label = new QLabel(name, field->parentWidget());
    label->setObjectName(field->objectName() + u"_label"_s);
    label->setBuddy(field);
    label->setGeometry(field->geometry());
    label->lower();
    label->hide();
}

// The label a screen reader reads for a field: its buddy, and its name.
void labelFor(QLabel *label, QWidget *field)
{
    label->setBuddy(field);
    field->setAccessibleName(label->text());
}

QPushButton *makeButton(QWidget *parent, const QString &name, const QString &text, const QRect &place)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(place);
    button->setAutoDefault(false); // Enter triggers no button
    return button;
}

void setColours(QWidget *widget, const QColor &text, const QColor &background)
{
    QPalette palette = widget->palette();
    if (text.isValid())
        palette.setColor(QPalette::WindowText, text);
    if (background.isValid()) {
        palette.setColor(QPalette::Window, background);
        widget->setBackgroundRole(QPalette::Window); // buttons fill with Button otherwise
        widget->setAutoFillBackground(true);
    }
    widget->setPalette(palette);
}

QFrame *makePage(QWidget *parent, int index, const QRect &place)
{
    auto *page = new QFrame(parent);
    page->setObjectName(u"Frame1_%1"_s.arg(index));
    page->setFrameShape(QFrame::NoFrame);
    page->setGeometry(place);
    return page;
}

} // namespace

void frmDatInstDig::buildBanner()
{
    // Back to front: the white band first, the separator line last.
    m_bannerBand = makeLabel(this, u"Label1"_s, QString(), {-2, -1, 651, 59});
    setColours(m_bannerBand, {}, Qt::white);

    m_bannerTitle = makeLabel(this, u"Label2"_s, u"データバージョンUPコンバータ"_s, {13, 8, 317, 22});
    m_bannerTitle->setFont(converterFont(14.25, true));

    m_bannerImage = makeLabel(this, u"Image1"_s, QString(), {587, -2, 65, 62});
    m_bannerImage->setPixmap(QPixmap(u":/hy3/banner.png"_s));
    m_bannerImage->setScaledContents(true);
    m_bannerImage->setToolTip(u"%1 バージョン %2"_s.arg(QString::fromUtf16(kApplicationTitle), QStringLiteral(HY3_VERSION)));

    m_bannerText = makeLabel(this, u"Label3"_s,
                       u"運賃表示器アプリの旧バージョンのデータをVer3用のデータへまとめてコンバートします。"_s,
                       {31, 37, 468, 17});

    m_bannerLine = makeBox(this, u"Label4_0"_s, {0, 58, 651, 3});
}

void frmDatInstDig::buildSettingsPage()
{
    QFrame *page = m_pages[0] = makePage(this, 0, {-1, 62, 650, 415});

    m_sourcePrompt = makeLabel(page, u"Label5_0"_s,
                          u"１．旧バージョンのデータ(*.hyo/*.hyp)が入っている位置(フォルダー)を指定してください"_s,
                          {22, 13, 508, 16}, true);
    m_sourceField = new QLineEdit(page);
    m_sourceField->setGeometry(32, 31, 502, 21);
    m_browseSourceButton = makeButton(page, u"Command2_0"_s, u"参照(&B)"_s, {537, 31, 70, 22});

    m_destinationPrompt = makeLabel(page, u"Label5_4"_s, u"２．コンバートしたデータの保存先(フォルダー)を指定してください"_s,
                          {22, 73, 380, 16}, true);
    m_destinationField = new QLineEdit(page);
    m_destinationField->setGeometry(32, 91, 502, 21);
    m_browseDestinationButton = makeButton(page, u"Command2_1"_s, u"参照(&B)"_s, {537, 91, 70, 22});
    m_sourceField->setObjectName(u"Text1_0"_s);
    m_destinationField->setObjectName(u"Text1_1"_s);
    for (QLineEdit *field : {m_sourceField, m_destinationField})
        acceptFolderDrops(field);
    labelFor(m_sourcePrompt, m_sourceField);
    labelFor(m_destinationPrompt, m_destinationField);

    m_overwriteWarning = makeLabel(page, u"Label9"_s,
                       u"※コンバート先のフォルダーに同じファイル名が存在する場合には、上書きされますのでご注意ください。"_s,
                       {33, 119, 585, 15}, true);
    setColours(m_overwriteWarning, QColor(0xFF, 0x00, 0x00), QColor(0xFF, 0xFF, 0x80));
    m_sizeWarning = makeLabel(page, u"Label10"_s,
                        u"※コンバート先には、容量の小さいドライブ(FDなど)は指定しないでください。"
                        u"新バージョンのデータは旧バージョンのデータと比較して２～３倍サイズが増えますのでご注意ください。"_s,
                        {34, 137, 561, 27}, true);
    m_sizeWarning->setWordWrap(true);
    setColours(m_sizeWarning, QColor(0x00, 0x00, 0xC0), {});

    m_kindBox = new QGroupBox(u"３．旧バージョンのデータの種類を選択してください。"_s, page);
    m_kindBox->setObjectName(u"Frame2"_s);
    m_kindBox->setGeometry(19, 174, 593, 65);
    m_kindBox->setFont(converterFont(9, true));
    const QStringList kinds{u"*.hyo(皆様は、こちらを選んでください)"_s,
                            u"*.hyp(ふなぞ自家用データ形式の場合は、こちらを選んでください)"_s};
    const QList<QRect> kindPlaces{{19, 17, 227, 15}, {19, 41, 382, 15}};
    std::array<QRadioButton *, 2> options{};
    for (int i = 0; i < 2; ++i) {
        options[i] = new QRadioButton(kinds[i], m_kindBox);
        options[i]->setObjectName(u"Option1_%1"_s.arg(i));
        options[i]->setGeometry(kindPlaces[i]);
        options[i]->setFont(converterFont());
    }
    m_standardKind = options[0];
    m_privateKind = options[1];
    setColours(m_standardKind, {}, QColor(0xFF, 0xFF, 0x00));
    m_standardKind->setChecked(true);

    m_nextHint = makeLabel(page, u"Label5_1"_s,
                          u"上記３項目を指定したら「次へ」をクリックして下さい。データの一覧を作成します。"_s,
                          {37, 254, 485, 18}, true);
    m_settingsLine = makeBox(page, u"Label4_2"_s, {0, 379, 652, 3});
    m_nextButton = makeButton(page, u"Command1_0"_s, u"次へ(&N) >>"_s, {448, 389, 76, 25});
    m_nextButton->setEnabled(false);
    m_settingsCancelButton = makeButton(page, u"Command1_1"_s, u"キャンセル"_s, {561, 389, 76, 25});
}

void frmDatInstDig::buildFileListPage()
{
    QFrame *page = m_pages[1] = makePage(this, 1, {1, 61, 648, 419});

    m_fileListHint = makeLabel(page, u"Label5_3"_s,
                          u"以下のデータが指定された場所で見つかりました。変換したいデータを選択して下さい。"_s,
                          {5, 4, 554, 18});
    m_fileList = new FileListView(page);
    m_fileList->setObjectName(u"ListView1"_s);
    m_fileList->setGeometry(0, 21, 646, 231);
    labelFor(m_fileListHint, m_fileList);
    // Where the list stands while it is being made (the list itself is hidden then).
    m_listingNote = makeLabel(page, u"ListingNote"_s, u"データの一覧を作成しています…"_s, {0, 21, 646, 231});
    m_listingNote->setAlignment(Qt::AlignCenter);
    m_listingNote->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    m_listingNote->hide();

    m_selectAllButton = makeButton(page, u"Command3_0"_s, u"すべて選択"_s, {39, 256, 125, 25});
    m_clearSelectionButton = makeButton(page, u"Command3_1"_s, u"選択の解除"_s, {168, 256, 137, 25});
    m_backButton = makeButton(page, u"Command1_6"_s, u"<< 戻る(&B)"_s, {453, 255, 119, 25});
    m_fileListLine = makeBox(page, u"Label4_3"_s, {-1, 283, 647, 3});

    m_columnOptionsBox = new QGroupBox(u"旧バージョンデータの情報移行設定"_s, page);
    m_columnOptionsBox->setObjectName(u"Frame3"_s);
    m_columnOptionsBox->setGeometry(6, 291, 550, 124);
    m_ticketOption = new QCheckBox(u"上記で選択した旧バージョンのデータの"_s + kIdeographicGap
                                  + u"列目のデータは「整理券番号」の情報なので、\r\n\r\n"
                                    u"新バージョンのデータの「整理券番号列」へ移動します。（*.hypでは無効となります）"_s,
                              m_columnOptionsBox);
    m_ticketOption->setGeometry(kCheckPlaces[0]);
    m_moveOption = new QCheckBox(u"上記で選択した旧バージョンのデータの"_s + kIdeographicGap
                                  + u"列目のデータは必要な情報なので、\r\n\r\n新バージョンのデータの"_s
                                  + kIdeographicGap + u"列目に移動します。"_s,
                              m_columnOptionsBox);
    m_moveOption->setGeometry(kCheckPlaces[1]);
    // Created after the check boxes, so they lie in front of them.
    const QList<QRect> choosers{{241, 20, 50, 20}, {242, 66, 50, 20}, {163, 91, 50, 20}};
    std::array<QComboBox *, 3> combos{};
    for (int i = 0; i < 3; ++i) {
        combos[i] = new QComboBox(m_columnOptionsBox);
        combos[i]->setObjectName(u"Combo1_%1"_s.arg(i));
        combos[i]->setGeometry(choosers[i]);
        combos[i]->setEditable(false); // a list of its items only
        showAsShortList(combos[i]);
        nameForScreenReaders(combos[i], QString::fromUtf16(kColumnNames[i]));
    }
    m_ticketColumn = combos[0];
    m_moveFromColumn = combos[1];
    m_moveToColumn = combos[2];
    m_ticketOption->setObjectName(u"Check1_0"_s);
    m_moveOption->setObjectName(u"Check1_1"_s);

    m_convertButton = makeButton(page, u"Command1_2"_s, u"変換実行"_s, {564, 351, 80, 25});
    m_fileListCancelButton = makeButton(page, u"Command1_3"_s, u"キャンセル"_s, {565, 389, 79, 25});
}

void frmDatInstDig::placeColumnChoosers()
{
    // A font a little wider than "ＭＳ Ｐゴシック" would cut the captions' long
    // first lines: the boxes take the frame's width where they need it and,
    // when even that is short, move left by what is missing.
    constexpr int kMargin = 4;
    constexpr int kNearestLeft = 6;
    for (int i = 0; i < 2; ++i) {
        QCheckBox *box = i == 0 ? m_ticketOption : m_moveOption;
        const QRect place = kCheckPlaces[i];
        const int wanted = qMax(place.width(), box->sizeHint().width());
        const int left = qBound(kNearestLeft, m_columnOptionsBox->width() - kMargin - wanted, place.x());
        box->setGeometry(left, place.y(), qMin(wanted, m_columnOptionsBox->width() - kMargin - left), place.height());
    }
    // Over the gaps as the caption is actually drawn in the font at hand.
    placeOverGap(m_ticketOption, m_ticketColumn, 0);
    placeOverGap(m_moveOption, m_moveFromColumn, 0);
    placeOverGap(m_moveOption, m_moveToColumn, 1);
}

void frmDatInstDig::buildProgressPage()
{
    QFrame *page = m_pages[2] = makePage(this, 2, {1, 62, 647, 419});

    m_progressHint = makeLabel(page, u"Label5_2"_s, u"項目を整理してコンバートを行っています。"_s, {10, 30, 237, 17});
    m_sourceCaption = makeLabel(page, u"Label11"_s, u"変換元ファイル名："_s, {19, 66, 97, 20});
    m_sourcePath = makeLabel(page, u"Label12"_s, QString(), {47, 87, 594, 18});
    m_destinationCaption = makeLabel(page, u"Label13"_s, u"変換先ファイル名："_s, {18, 114, 95, 20});
    m_destinationPath = makeLabel(page, u"Label14"_s, QString(), {47, 136, 594, 18});
    m_progressBox = new QLabel(page);
    m_progressBox->setObjectName(u"Label6"_s);
    m_progressBox->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_progressBox->setGeometry(63, 173, 491, 36);
    m_progressBar = new QProgressBar(page);
    m_progressBar->setObjectName(u"ProgressBar1"_s);
    m_progressBar->setGeometry(68, 177, 482, 28);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
    labelFor(m_progressHint, m_progressBar);

    m_doneNote = makeLabel(page, u"Label7"_s, u"完了しました。下の「完了\uFF63ボタンを押してください。"_s, {64, 247, 355, 17});
    m_startOverNote = makeLabel(page, u"Label8"_s,
                       u"※継続して、他のフォルダーのデータをコンバートする場合は、「最初へジャンプ」をクリックして下さい。"_s,
                       {64, 274, 536, 24});
    m_doneNote->hide();
    m_startOverNote->hide();
    m_stoppedNote = makeLabel(page, u"StoppedNote"_s, QString(), {64, 247, 536, 17});
    m_stoppedNote->hide();
    // In the free space under the notes: what the batch did, and its record.
    m_countsNote = makeLabel(page, u"ResultCounts"_s, QString(), {64, 306, 536, 17});
    m_openReportButton = makeButton(page, u"OpenReportButton"_s, u"結果を開く(&R)"_s, {64, 330, 140, 25});
    m_openDestinationButton = makeButton(page, u"OpenDestinationButton"_s, u"保存先を開く(&O)"_s, {210, 330, 140, 25});
    for (QWidget *widget : {static_cast<QWidget *>(m_countsNote), static_cast<QWidget *>(m_openReportButton),
                            static_cast<QWidget *>(m_openDestinationButton)})
        widget->hide();

    m_progressLine = makeBox(page, u"Label4_1"_s, {-2, 379, 651, 3});
    m_startOverButton = makeButton(page, u"Command1_4"_s, u"最初へジャンプ"_s, {420, 390, 110, 25});
    m_finishButton = makeButton(page, u"Command1_5"_s, u"完了"_s, {567, 390, 76, 25});
    // In the place of the two buttons, while they are hidden during a batch.
    m_stopButton = makeButton(page, u"StopButton"_s, u"中止"_s, {567, 390, 76, 25});
    m_stopButton->hide();
}

void frmDatInstDig::setTabOrders()
{
    const auto chain = [](std::initializer_list<QWidget *> widgets) {
        QWidget *previous = nullptr;
        for (QWidget *widget : widgets) {
            if (previous)
                QWidget::setTabOrder(previous, widget);
            previous = widget;
        }
    };
    chain({m_sourceField, m_browseSourceButton, m_nextButton, m_settingsCancelButton, m_standardKind, m_privateKind, m_browseDestinationButton, m_destinationField});
    chain({m_fileList, m_convertButton, m_fileListCancelButton, m_backButton, m_selectAllButton, m_clearSelectionButton, m_moveToColumn, m_moveFromColumn, m_moveOption,
           m_ticketColumn, m_ticketOption});
    chain({m_startOverButton, m_finishButton, m_openReportButton, m_openDestinationButton});
}

} // namespace hy3::ui
