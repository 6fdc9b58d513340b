#include "frmdatinstdig.h"

#include "appearance.h"
#include "chooser/frmchoicefolder.h"
#include "dataerror.h"
#include "filelistview.h"
#include "foldersearch.h"
#include "messages.h"
#include "module1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace hy3::ui {

namespace {

const QString kSourcePrompt = u"旧バージョンのデータが入っている位置(フォルダー)を指定してください"_s;
const QString kDestinationPrompt = u"コンバートしたデータの保存先(フォルダー)を指定してください"_s;
const QString kFailureTitle = u"変換できなかったファイルがあります"_s;
constexpr int kFailuresListed = 20;

// The batch driver's view of the window: the list, the kind, the bar.
class WindowBatch final : public BatchTarget
{
public:
    explicit WindowBatch(frmDatInstDig &window) : m_window(window) {}

    int rowCount() const override { return m_window.ListView1->rowCount(); }
    QString rowText(int row) const override { return m_window.ListView1->row(row)->text(0); }
    bool isRowSelected(int row) const override { return m_window.ListView1->row(row)->isSelected(); }
    DataKind chosenKind() const override { return m_window.chosenKind(); }

    void convert(DataKind kind, const QString &oldName) override
    {
        if (kind == DataKind::Standard)
            m_window.ConvHyoToHy3(oldName);
        else
            m_window.ConvHypToHy3(oldName);
    }

    void showProgress(float value) override { m_window.setProgressValue(value); }

    void reportNoSelection() override
    {
        ShowMessage(&m_window, {QString::fromUtf16(kNoSelectionPrompt), QString::fromUtf16(kNoSelectionTitle),
                                QMessageBox::Critical});
    }

private:
    frmDatInstDig &m_window;
};

} // namespace

frmDatInstDig::frmDatInstDig(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    InitResources();
    setObjectName(u"frmDatInstDig"_s);
    setWindowTitle(QString::fromUtf16(kApplicationTitle));
    setWindowIcon(QIcon(u":/hy3/icon.png"_s));
    setFixedSize(652, 483);
    setFont(ConverterFont());

    buildBanner();
    buildSettingsPage();
    buildFileListPage();
    buildProgressPage();
    setTabOrders();
    connectHandlers();
    ShowPage(0);
    Form_Load();
    placeColumnChoosers();
}

frmDatInstDig::~frmDatInstDig()
{
    frmChoiceFolder::Unload();
}

void frmDatInstDig::connectHandlers()
{
    for (int i = 0; i < static_cast<int>(Command1.size()); ++i)
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
    for (int i = 0; i < 2; ++i) {
        connect(Command2[i], &QPushButton::clicked, this, [this, i] { Command2_Click(i); });
        connect(Command3[i], &QPushButton::clicked, this, [this, i] { Command3_Click(i); });
        connect(Text1[i], &QLineEdit::textChanged, this, [this, i] { Text1_Change(i); });
        connect(Check1[i], &QCheckBox::clicked, this, [this, i] { Check1_Click(i); });
    }
    for (int i = 0; i < 3; ++i)
        connect(Combo1[i], &QComboBox::currentIndexChanged, this, [this, i] { Combo1_Click(i); });
    connect(ListView1, &FileListView::columnClicked, this, &frmDatInstDig::ListView1_ColumnClick);
}

void frmDatInstDig::Form_Load()
{
    for (int i = 1; i <= 72; ++i) {
        Combo1[0]->addItem(QString::number(i));
        Combo1[1]->addItem(QString::number(i));
    }
    for (int i = 1; i <= 150; ++i)
        Combo1[2]->addItem(QString::number(i));
    for (QComboBox *combo : Combo1)
        combo->setCurrentIndex(0);
}

void frmDatInstDig::ShowPage(int index)
{
    m_page = index;
    for (int i = 0; i < static_cast<int>(Frame1.size()); ++i)
        Frame1[i]->setVisible(i == index);
    Frame1[index]->raise();
}

void frmDatInstDig::Command1_Click(int Index)
{
    switch (Index) {
    case 0:
        ShowPage(1);
        Module1::ListOldDataFiles(*this, Text1[0]->text().trimmed());
        break;
    case 1:
    case 3:
        EndWizard();
        break;
    case 2:
        runBatch();
        break;
    case 4:
    case 6:
        ShowPage(0);
        break;
    case 5:
        // The finishing step must end the program whatever the listing meets.
        try {
            Module1::ListHyoFilesWithDetails();
        } catch (...) {
        }
        EndWizard();
        break;
    default:
        break;
    }
}

void frmDatInstDig::runBatch()
{
    ShowPage(2);
    Command1[4]->hide();
    Command1[5]->hide();
    QCoreApplication::processEvents(); // once, so the page and the hidden buttons are on screen
    const BatchSummary summary = InstPrc();
    Command1[4]->show();
    Command1[5]->show();
    Label7->show();
    Label8->show();
    reportFailures(summary);
}

void frmDatInstDig::reportFailures(const BatchSummary &summary)
{
    if (summary.failures.isEmpty())
        return;
    QStringList lines;
    lines << u"次のファイルは変換できませんでした（%1 件中 %2 件）。ほかの選択したファイルは変換しました。"_s
                 .arg(summary.selected)
                 .arg(summary.failures.size())
          << QString();
    for (qsizetype i = 0; i < summary.failures.size() && i < kFailuresListed; ++i)
        lines << u"・"_s + summary.failures[i].message;
    if (summary.failures.size() > kFailuresListed)
        lines << u"ほか %1 件"_s.arg(summary.failures.size() - kFailuresListed);
    ShowMessage(this, {lines.join(u'\n'), kFailureTitle, QMessageBox::Critical});
}

void frmDatInstDig::EndWizard()
{
    hide();
    close();
}

void frmDatInstDig::Command2_Click(int Index)
{
    frmChoiceFolder &chooser = frmChoiceFolder::instance();
    chooser.setPrompt(Index == 0 ? kSourcePrompt : kDestinationPrompt);
    chooser.exec(); // may destroy the chooser when its frame is closed
    if (!ChosenFolder.isEmpty())
        Text1[Index == 0 ? 0 : 1]->setText(QDir::toNativeSeparators(ChosenFolder));
}

void frmDatInstDig::Command3_Click(int Index)
{
    if (Index == 0)
        ListView1->selectAll();
    else
        ListView1->clearSelection();
    ListView1->setFocus();
}

void frmDatInstDig::Text1_Change(int /*Index*/)
{
    Command1[0]->setEnabled(!Text1[1]->text().isEmpty() && !Text1[0]->text().isEmpty());
}

void frmDatInstDig::Check1_Click(int /*Index*/)
{
    ListView1->setFocus();
}

void frmDatInstDig::Combo1_Click(int /*Index*/)
{
    // Choosing a column changes nothing until the conversion reads it.
}

void frmDatInstDig::ListView1_ColumnClick(int column)
{
    const Qt::SortOrder order = m_sortDescendingNext ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sortDescendingNext = !m_sortDescendingNext;
    ListView1->sortRows(column - 1, order);
}

BatchSummary frmDatInstDig::InstPrc()
{
    WindowBatch batch(*this);
    return RunBatch(batch);
}

bool frmDatInstDig::ChkFile(const QString &strFile) const
{
    return hy3::ChkFile(strFile);
}

void frmDatInstDig::ConvHyoToHy3(const QString &strOldName)
{
    convertShowingPaths(DataKind::Standard, strOldName);
}

void frmDatInstDig::ConvHypToHy3(const QString &strOldName)
{
    convertShowingPaths(DataKind::Private, strOldName);
}

void frmDatInstDig::convertShowingPaths(DataKind kind, const QString &strOldName)
{
    const ConversionPaths paths = PathsFor(Text1[0]->text(), Text1[1]->text(), strOldName);
    // Shown before any file is opened: the page says which file is being worked on.
    Label12->setText(QDir::toNativeSeparators(paths.source));
    Label12->repaint();
    Label14->setText(QDir::toNativeSeparators(paths.destination));
    Label14->repaint();
    (void)ConvertFile(kind, paths, columnOptions());
}

DataKind frmDatInstDig::chosenKind() const
{
    return Option1[0]->isChecked() ? DataKind::Standard : DataKind::Private;
}

ColumnOptions frmDatInstDig::columnOptions() const
{
    return {Check1[0]->isChecked(), Combo1[0]->currentIndex() + 1, Check1[1]->isChecked(),
            Combo1[1]->currentIndex() + 1, Combo1[2]->currentIndex() + 1};
}

void frmDatInstDig::setProgressValue(float value)
{
    m_progressValue = value;
    ProgressBar1->setValue(qRound(value * 100.0f));
    ProgressBar1->repaint();
}

void frmDatInstDig::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_centred)
        return;
    m_centred = true;
    placeColumnChoosers(); // the style and fonts are final now
    if (const QScreen *screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    Text1[0]->setFocus();
}

void frmDatInstDig::closeEvent(QCloseEvent *event)
{
    frmChoiceFolder::Unload(); // the hidden chooser goes with the wizard
    event->accept();
    emit ended();
}

} // namespace hy3::ui
