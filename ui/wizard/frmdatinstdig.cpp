// SPDX-License-Identifier: MIT
#include "frmdatinstdig.h"

#include "appearance.h"
#include "chooser/frmchoicefolder.h"
#include "dataerror.h"
#include "filelistview.h"
#include "filesystem.h"
#include "foldersearch.h"
#include "messages.h"
#include "module1.h"
#include "wizardtexts.h"

#include <QAccessibleWidget>
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
#include <QScopeGuard>
#include <QScreen>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace hy3::ui {

namespace {

constexpr int kFailuresListed = 20;

// The window is a window to screen readers, not a "filler" panel.
QAccessibleInterface *accessibleAsWindow(const QString &className, QObject *object)
{
    if (className == QLatin1StringView(frmDatInstDig::staticMetaObject.className()) && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

frmDatInstDig::frmDatInstDig(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    initResources();
    setObjectName(u"frmDatInstDig"_s);
    static const bool roleInstalled = [] {
        QAccessible::installFactory(accessibleAsWindow);
        return true;
    }();
    Q_UNUSED(roleInstalled);
    setWindowTitle(QString::fromUtf16(kApplicationTitle));
    setWindowIcon(QIcon(u":/hy3/icon.png"_s));
    setFixedSize(652, 483);
    setFont(converterFont());

    buildBanner();
    buildSettingsPage();
    buildFileListPage();
    buildProgressPage();
    setTabOrders();
    connectHandlers();
    showPage(0);
    Form_Load();
    placeColumnChoosers();
}

frmDatInstDig::~frmDatInstDig() = default;

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

void frmDatInstDig::showPage(int index)
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
        listOldDataFiles();
        break;
    case 1:
    case 3:
        endWizard();
        break;
    case 2:
        convertSelectedRows();
        break;
    case 4:
    case 6:
        showPage(0);
        break;
    case 5:
        finish();
        break;
    default:
        break;
    }
}

void frmDatInstDig::listOldDataFiles()
{
    // The file list page first, so that the listing's return to the settings page prevails.
    showPage(1);
    if (Module1::ListOldDataFiles(*ListView1, chosenKind(), Text1[0]->text().trimmed(), this)
        != ListingResult::Outcome::Found)
        showPage(0);
}

void frmDatInstDig::finish()
{
    // The finishing step ends the program whatever the detailed listing meets;
    // what it met is still said.
    try {
        Module1::ListHyoFilesWithDetails();
    } catch (const DataError &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
    }
    endWizard();
}

void frmDatInstDig::convertSelectedRows()
{
    showPage(2);
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
    const auto failed = summary.failures.size();
    if (failed == 0)
        return;
    QStringList lines;
    if (summary.selected == 1)
        lines << u"選択したファイルを変換できませんでした。"_s;
    else if (failed == summary.selected)
        lines << u"選択した %1 件のファイルは、どれも変換できませんでした。"_s.arg(failed);
    else
        lines << u"次のファイルは変換できませんでした（%1 件中 %2 件）。ほかの選択したファイルは変換しました。"_s
                     .arg(summary.selected)
                     .arg(failed);
    lines << QString();
    for (qsizetype i = 0; i < failed && i < kFailuresListed; ++i)
        lines << u"・"_s + summary.failures[i].message;
    if (failed > kFailuresListed)
        lines << u"ほか %1 件"_s.arg(failed - kFailuresListed);
    showMessage(this, {lines.join(u'\n'), QString::fromUtf16(kFailureTitle), QMessageBox::Critical});
}

void frmDatInstDig::endWizard()
{
    hide();
    close();
}

void frmDatInstDig::Command2_Click(int Index)
{
    if (!m_chooser)
        m_chooser = new frmChoiceFolder(this);
    m_chooser->setPrompt(QString::fromUtf16(Index == 0 ? kSourcePrompt : kDestinationPrompt));
    m_chooser->exec(); // a close of its frame destroys it; the next use makes a new one
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

QList<BatchRow> frmDatInstDig::batchRows() const
{
    QList<BatchRow> rows;
    rows.reserve(ListView1->rowCount());
    for (int i = 1; i <= ListView1->rowCount(); ++i)
        rows.append({ListView1->fileNameAt(i), ListView1->row(i)->isSelected()});
    return rows;
}

BatchSummary frmDatInstDig::InstPrc()
{
    ConversionRun::Settings settings;
    settings.columns = columnOptions();
    ConversionRun run(settings);
    m_run = &run;
    const auto leaveRun = qScopeGuard([this] { m_run = nullptr; });
    const auto convert = [this](DataKind kind, const QString &name) {
        if (kind == DataKind::Standard)
            ConvHyoToHy3(name);
        else
            ConvHypToHy3(name);
    };
    const BatchSummary summary = runBatch(batchRows(), chosenKind(), convert,
                                          [this](float value) { setProgressValue(value); }, finishStep(run));
    if (summary.outcome == BatchSummary::Outcome::NoSelection)
        showMessage(this, {QString::fromUtf16(kNoSelectionPrompt), QString::fromUtf16(kNoSelectionTitle),
                           QMessageBox::Critical});
    return summary;
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
    const ConversionPaths paths = pathsFor(Text1[0]->text(), Text1[1]->text(), strOldName);
    // Shown before any file is opened: the page says which file is being worked on.
    Label12->setText(fs::shown(paths.source));
    Label12->repaint();
    Label14->setText(fs::shown(paths.destination));
    Label14->repaint();
    if (m_run)
        m_run->convert(kind, paths, strOldName);
    else
        (void)convertFile(kind, paths, columnOptions());
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
    ProgressBar1->setValue(qRound(value));
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
    delete m_chooser; // the hidden chooser goes with the wizard
    event->accept();
    emit ended();
}

} // namespace hy3::ui
