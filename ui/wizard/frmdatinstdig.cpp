// SPDX-License-Identifier: MIT
#include "frmdatinstdig.h"

#include "appearance.h"
#include "chooser/frmchoicefolder.h"
#include "format/dataerror.h"
#include "engine/engine.h"
#include "filelistview.h"
#include "listing/foldersearch.h"
#include "messagebox.h"
#include "messages.h"
#include "module1.h"
#include "files/paths.h"
#include "wizardtexts.h"

#include <QAccessibleWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <thread>

using namespace Qt::StringLiterals;

namespace hy3::ui {

namespace {

constexpr int kFailuresListed = 20;
int g_finishButtonsWaitMs = 600;

// How often the progress page may change: once a screen refresh.
int frameMs(const QWidget *widget)
{
    const QScreen *screen = widget->screen();
    const qreal rate = screen && screen->refreshRate() > 1 ? screen->refreshRate() : 60.0;
    return qMax(1, qRound(1000.0 / rate));
}

// Leading and trailing spaces are not part of a folder typed or pasted into a field.
QString withoutSpaces(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.sliced(first, last - first);
}

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
    connect(m_stop, &QPushButton::clicked, this, [this] {
        m_stopRequested.store(true);
        m_stop->setEnabled(false); // the group being written is committed first
    });
}

void frmDatInstDig::Form_Load()
{
    for (int i = 1; i <= kOldColumnChoices; ++i) {
        Combo1[0]->addItem(QString::number(i));
        Combo1[1]->addItem(QString::number(i));
    }
    for (int i = 1; i <= kNewColumns; ++i)
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
        stopListing();
        endWizard();
        break;
    case 2:
        convertSelectedRows();
        break;
    case 4:
        showPage(0);
        break;
    case 6:
        stopListing();
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
    Module1::beginListing(*ListView1);
    m_listingNote->show();
    Command1[2]->setEnabled(false);
    m_listingRuns = true;
    const quint64 listing = ++m_listing;
    // On a thread of its own, so that a slow or stuck folder can't freeze the
    // window; a listing the user has left is never waited for.
    std::thread([self = QPointer<frmDatInstDig>(this), listing, folder = folderText(0), kind = chosenKind()] {
        const ListingResult result = listDataFiles(folder, kind);
        if (QCoreApplication *app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, [self, listing, result] {
                if (self)
                    self->listingDone(listing, result);
            }, Qt::QueuedConnection);
    }).detach();
}

void frmDatInstDig::listingDone(quint64 listing, const ListingResult &result)
{
    if (listing != m_listing)
        return; // the user has gone back or listed again meanwhile
    stopListing();
    if (Module1::ListOldDataFiles(*ListView1, result, this) != ListingResult::Outcome::Found)
        showPage(0);
    emit listingFinished();
}

void frmDatInstDig::stopListing()
{
    if (!m_listingRuns)
        return;
    ++m_listing;
    m_listingRuns = false;
    m_listingNote->hide();
    Command1[2]->setEnabled(true);
    ListView1->setVisible(true);
}

void frmDatInstDig::finish()
{
    // The finishing step ends the program whatever the detailed listing meets;
    // what it met is still said.
    if (const std::optional<DetailFailure> failed = Module1::ListHyoFilesWithDetails())
        std::fprintf(stderr, "%s\n", qPrintable(Messages::failure(failed->path, failed->failure)));
    endWizard();
}

void frmDatInstDig::convertSelectedRows()
{
    showPage(2);
    Command1[4]->hide();
    Command1[5]->hide();
    // Each batch starts clean: the notes of an earlier one don't stand over a moving bar.
    Label7->hide();
    Label8->hide();
    m_resultNote->hide();
    QCoreApplication::processEvents(); // once, so the page and the hidden buttons are on screen
    const BatchSummary summary = InstPrc();
    showFinishButtons();
    if (summary.result == BatchSummary::Result::DestinationMissing) {
        showMessage(this, {Messages::destinationMissing(folderText(1)), Messages::folderNotFoundTitle(),
                           QMessageBox::Critical});
        showPage(0);
        return;
    }
    const bool stopped = summary.result == BatchSummary::Result::Stopped;
    // A stopped batch is not "完了": the note says what was done instead.
    m_resultNote->setText(Messages::stopped(summary.tally.converted, summary.tally.notRun));
    m_resultNote->setVisible(stopped);
    Label7->setVisible(!stopped);
    Label8->show();
    reportBatch(summary);
    if (m_closeWhenDone)
        endWizard();
}

// The two buttons come back where 「中止」 was: a click meant for 「中止」 that
// lands just as the batch ends must not finish the program, so they take
// clicks only after a moment.
void frmDatInstDig::showFinishButtons()
{
    for (QPushButton *button : {Command1[4], Command1[5]}) {
        button->setEnabled(g_finishButtonsWaitMs == 0);
        button->show();
    }
    if (g_finishButtonsWaitMs == 0)
        return;
    QTimer::singleShot(g_finishButtonsWaitMs, this, [this] {
        if (m_batchRuns)
            return;
        Command1[4]->setEnabled(true);
        Command1[5]->setEnabled(true);
    });
}

void frmDatInstDig::reportBatch(const BatchSummary &summary)
{
    const bool stopped = summary.result == BatchSummary::Result::Stopped;
    if (summary.tally.failed == 0 && !stopped)
        return;
    QStringList lines{Messages::batchSummary(summary.selected, summary.tally.converted, summary.tally.failed, summary.tally.notRun)};
    if (summary.tally.failed > 0)
        lines << QString();
    for (qsizetype i = 0; i < summary.failures.size() && i < kFailuresListed; ++i)
        lines << u"・"_s + Messages::failureOf(summary.failures[i]);
    if (summary.tally.failed > kFailuresListed)
        lines << Messages::moreFailures(summary.tally.failed - kFailuresListed);
    showMessage(this, {lines.join(u'\n'), Messages::batchTitle(stopped),
                       stopped && summary.tally.failed == 0 ? QMessageBox::Information : QMessageBox::Critical});
}

void frmDatInstDig::endWizard()
{
    hide();
    close();
}

void frmDatInstDig::setFinishButtonsWaitForTesting(int ms)
{
    g_finishButtonsWaitMs = ms;
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
    // A field of spaces only names no folder: going on would list, or write
    // into, the root of the drive.
    // White space alone (a full-width space too) names no folder.
    const auto names = [this](int index) { return !folderText(index).trimmed().isEmpty(); };
    Command1[0]->setEnabled(names(0) && names(1));
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

BatchRequest frmDatInstDig::batchRequest() const
{
    BatchRequest request;
    request.rows.reserve(ListView1->rowCount());
    for (int i = 1; i <= ListView1->rowCount(); ++i)
        request.rows.append({ListView1->fileNameAt(i), ListView1->row(i)->isSelected()});
    request.kind = chosenKind();
    request.sourceFolder = folderText(0);
    request.destinationFolder = folderText(1);
    request.columns = columnOptions();
    return request;
}

BatchSummary frmDatInstDig::InstPrc()
{
    const BatchRequest request = batchRequest();
    m_stopRequested.store(false);
    m_batchRuns = true;
    m_stop->setEnabled(true);
    const bool stoppable = Command1[4]->isHidden() && Command1[5]->isHidden();
    m_stop->setVisible(stoppable);
    setProgressValue(0.0f);

    BatchCallbacks callbacks;
    callbacks.starting = [this](const ConversionPaths &paths) {
        const QMutexLocker lock(&m_progress.mutex);
        m_progress.source = paths.source;
        m_progress.destination = paths.destination;
        ++m_progress.changes;
    };
    callbacks.progress = [this](float value) {
        const QMutexLocker lock(&m_progress.mutex);
        m_progress.value = value;
        ++m_progress.changes;
    };
    callbacks.stop = &m_stopRequested;

    // The batch on a thread of its own; this loop keeps the window answering
    // (moving, repainting, 「中止」) until it is over. The page shows the
    // batch's latest state once a screen refresh: the batch never wakes the
    // window for a file of its own.
    BatchSummary summary;
    QEventLoop loop;
    QTimer refresh;
    refresh.setInterval(frameMs(this));
    connect(&refresh, &QTimer::timeout, this, &frmDatInstDig::showProgress);
    refresh.start();
    std::thread worker([&] {
        summary = runBatch(request, callbacks);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    refresh.stop();
    m_batchRuns = false;
    m_stop->hide();
    showProgress(); // the last file and the final value

    if (summary.result == BatchSummary::Result::NoSelection)
        showMessage(this, {QString::fromUtf16(kNoSelectionPrompt), QString::fromUtf16(kNoSelectionTitle),
                           QMessageBox::Critical});
    return summary;
}

void frmDatInstDig::showProgress()
{
    QString source;
    QString destination;
    float value = 0.0f;
    {
        const QMutexLocker lock(&m_progress.mutex);
        if (m_progress.changes == m_changesShown)
            return;
        m_changesShown = m_progress.changes;
        source = m_progress.source;
        destination = m_progress.destination;
        value = m_progress.value;
    }
    Label12->setText(fs::shown(source));
    Label14->setText(fs::shown(destination));
    m_progressValue = value;
    ProgressBar1->setValue(qRound(value));
}

QString frmDatInstDig::folderText(int index) const
{
    return withoutSpaces(Text1[index]->text());
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
    {
        const QMutexLocker lock(&m_progress.mutex);
        m_progress.value = value;
        m_changesShown = ++m_progress.changes;
    }
    m_progressValue = value;
    ProgressBar1->setValue(qRound(value));
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
    if (m_batchRuns) {
        // Closing stops the batch as 「中止」 does; the window goes once the
        // group being written is safely on the disk.
        m_stopRequested.store(true);
        m_closeWhenDone = true;
        event->ignore();
        return;
    }
    delete m_chooser; // the hidden chooser goes with the wizard
    event->accept();
    emit ended();
}

} // namespace hy3::ui
