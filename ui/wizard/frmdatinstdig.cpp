// SPDX-License-Identifier: MIT
#include "frmdatinstdig.h"

#include "appearance.h"
#include "chooser/frmchoicefolder.h"
#include "detached.h"
#include "engine/batchrunner.h"
#include "files/foldertree.h"
#include "files/newfile.h"
#include "files/paths.h"
#include "runreport.h"
#include "filelistview.h"
#include "messagebox.h"
#include "messages.h"
#include "module1.h"
#include "wizardtexts.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace hy3 {

// What a batch of the window leaves behind: the folder its earlier outputs
// were kept in, and its report, written on the batch's own thread.
struct RunRecord
{
    QString report; // the CSV file's path
    fs::NewFile file;
    std::optional<CsvReport> csv; // once the first file has come
    Failure failure;              // the report could not be written
};

} // namespace hy3

namespace hy3::ui {

namespace {

constexpr int kFailuresListed = 20;
// Copies of earlier outputs are kept this long, then a new batch removes them.
constexpr int kKeepRunsDays = 90;
// A batch longer than this asks for attention when it ends while the window is not in front.
constexpr qint64 kNoticeAfterMs = 5000;
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
    , m_runner(new BatchRunner(this))
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
    showPage(Page::Settings);
    fillColumnChoosers();
    placeColumnChoosers();
}

frmDatInstDig::~frmDatInstDig() = default;

bool frmDatInstDig::isBusy() const
{
    return m_listingRuns || m_runner->isRunning();
}

void frmDatInstDig::connectHandlers()
{
    connect(m_nextButton, &QPushButton::clicked, this, &frmDatInstDig::listOldDataFiles);
    connect(m_settingsCancelButton, &QPushButton::clicked, this, [this] {
        stopListing();
        endWizard();
    });
    connect(m_fileListCancelButton, &QPushButton::clicked, this, [this] {
        stopListing();
        endWizard();
    });
    connect(m_convertButton, &QPushButton::clicked, this, &frmDatInstDig::convertSelectedRows);
    connect(m_startOverButton, &QPushButton::clicked, this, &frmDatInstDig::startOver);
    connect(m_finishButton, &QPushButton::clicked, this, &frmDatInstDig::finish);
    connect(m_backButton, &QPushButton::clicked, this, &frmDatInstDig::goBack);
    connect(m_browseSourceButton, &QPushButton::clicked, this,
            [this] { browse(m_sourceField, QString::fromUtf16(kSourcePrompt)); });
    connect(m_browseDestinationButton, &QPushButton::clicked, this,
            [this] { browse(m_destinationField, QString::fromUtf16(kDestinationPrompt)); });
    connect(m_selectAllButton, &QPushButton::clicked, this, &frmDatInstDig::selectAllRows);
    connect(m_clearSelectionButton, &QPushButton::clicked, this, &frmDatInstDig::clearSelectedRows);
    for (QLineEdit *field : {m_sourceField, m_destinationField})
        connect(field, &QLineEdit::textChanged, this, &frmDatInstDig::updateNextButton);
    for (QCheckBox *option : {m_ticketOption, m_moveOption})
        connect(option, &QCheckBox::clicked, this, &frmDatInstDig::focusFileList);
    connect(m_fileList, &FileListView::columnClicked, this, &frmDatInstDig::sortByColumn);
    connect(m_stopButton, &QPushButton::clicked, this, [this] {
        m_runner->stop();
        m_stopButton->setEnabled(false); // the group being written is committed first
    });
    connect(m_runner, &BatchRunner::finished, this, &frmDatInstDig::batchDone);
    connect(m_openReportButton, &QPushButton::clicked, this, [this] {
        if (m_record)
            QDesktopServices::openUrl(QUrl::fromLocalFile(m_record->report));
    });
    connect(m_openDestinationButton, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(folderText(m_destinationField))); });
    connect(&m_refresh, &QTimer::timeout, this, &frmDatInstDig::showProgress);
}

// The column choosers offer 1 to 72, 1 to 72 and 1 to 150, each at "1".
void frmDatInstDig::fillColumnChoosers()
{
    for (int i = 1; i <= kOldColumnChoices; ++i) {
        m_ticketColumn->addItem(QString::number(i));
        m_moveFromColumn->addItem(QString::number(i));
    }
    for (int i = 1; i <= kNewColumns; ++i)
        m_moveToColumn->addItem(QString::number(i));
    for (QComboBox *combo : {m_ticketColumn, m_moveFromColumn, m_moveToColumn})
        combo->setCurrentIndex(0);
}

void frmDatInstDig::setSourceFolder(const QString &folder)
{
    m_sourceField->setText(folder);
}

void frmDatInstDig::showPage(Page page)
{
    m_page = page;
    for (std::size_t i = 0; i < m_pages.size(); ++i)
        m_pages[i]->setVisible(i == static_cast<std::size_t>(page));
    m_pages[static_cast<std::size_t>(page)]->raise();
}

void frmDatInstDig::listOldDataFiles()
{
    // The file list page first, so that the listing's return to the settings page prevails.
    showPage(Page::FileList);
    Module1::beginListing(*m_fileList);
    m_listingNote->show();
    m_convertButton->setEnabled(false);
    m_listingRuns = true;
    const quint64 listing = ++m_listing;
    // A listing the user has left is never waited for.
    runDetached<ListingResult>(
        this, [folder = folderText(m_sourceField), kind = chosenKind()] { return listDataFiles(folder, kind); },
        [this, listing](const ListingResult &result) { listingDone(listing, result); });
}

void frmDatInstDig::listingDone(quint64 listing, const ListingResult &result)
{
    if (listing != m_listing)
        return; // the user has gone back or listed again meanwhile
    stopListing();
    if (Module1::ListOldDataFiles(*m_fileList, result, this) != ListingResult::Outcome::Found)
        showPage(Page::Settings);
    emit listingFinished();
}

void frmDatInstDig::stopListing()
{
    if (!m_listingRuns)
        return;
    ++m_listing;
    m_listingRuns = false;
    m_listingNote->hide();
    m_convertButton->setEnabled(true);
    m_fileList->setVisible(true);
}

void frmDatInstDig::startOver()
{
    showPage(Page::Settings);
}

void frmDatInstDig::goBack()
{
    stopListing();
    showPage(Page::Settings);
}

void frmDatInstDig::finish()
{
    // 「完了」: the detailed listing, bound to no folder and no list, then
    // the end; whatever the listing meets, the wizard ends.
    if (const std::optional<DetailFailure> failed = Module1::ListHyoFilesWithDetails(QString(), nullptr))
        qWarning("%s", qPrintable(Messages::failure(failed->path, failed->failure)));
    endWizard();
}

// The batch starts and the click returns: the page follows the batch once a
// screen refresh, and batchDone() finishes the page when it is over.
void frmDatInstDig::convertSelectedRows()
{
    showPage(Page::Progress);
    m_startOverButton->hide();
    m_finishButton->hide();
    // Each batch starts clean: the notes of an earlier one don't stand over a moving bar.
    m_doneNote->hide();
    m_startOverNote->hide();
    m_stoppedNote->hide();
    for (QWidget *widget : {static_cast<QWidget *>(m_countsNote), static_cast<QWidget *>(m_openReportButton),
                            static_cast<QWidget *>(m_openDestinationButton)})
        widget->hide();
    m_stopButton->setEnabled(true);
    m_stopButton->show();
    setProgressValue(0.0f);
    m_refresh.start(frameMs(this));
    m_batchTime.start();
    if (!m_taskbar)
        m_taskbar = std::make_unique<fs::sys::TaskbarProgress>(static_cast<std::intptr_t>(winId()));
    BatchRequest request = batchRequest();
    const BatchRunner::Hooks hooks = keepRecord(request);
    m_runner->start(request, hooks);
}

// Every batch keeps the earlier outputs it replaces, and leaves a report,
// in the user's own data folder (not the destination, often a small
// medium), under the moment it started: <data>/hy3-converter/backup/<run>/
// and <data>/hy3-converter/report/<run>.csv. The copies of runs older than
// 90 days go when a new batch starts.
BatchRunner::Hooks frmDatInstDig::keepRecord(BatchRequest &request)
{
    const QString home =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/hy3-converter"_s;
    const QDateTime start = QDateTime::currentDateTime();
    QString run = fs::runName(start);
    for (int n = 2; QFileInfo::exists(home + u"/backup/"_s + run) || QFileInfo::exists(home + u"/report/"_s + run + u".csv"_s);
         ++n)
        run = fs::runName(start) + u'_' + QString::number(n); // a second batch in the same second
    request.backup = {BackupPolicy::Naming::Simple, u"~"_s, fs::FolderPath(home + u"/backup/"_s + run)};
    auto record = std::make_shared<RunRecord>();
    record->report = home + u"/report/"_s + run + u".csv"_s;
    m_record = record;

    BatchRunner::Hooks hooks;
    hooks.before = [home, start, run] { fs::removeFoldersMadeBefore(home + u"/backup"_s, start.addDays(-kKeepRunsDays), run); };
    hooks.each = [record](const Outcome &outcome) {
        if (!record->csv && !record->failure) {
            record->failure = record->file.start(record->report, true);
            if (!record->failure)
                record->csv.emplace([record = record.get()](QByteArrayView bytes) { record->file.write(bytes); });
        }
        if (record->csv)
            record->csv->add(outcome);
    };
    hooks.after = [record](const BatchSummary &) {
        if (record->csv)
            record->failure = record->file.finish();
    };
    return hooks;
}

// What the batch did, in numbers, and the ways to its record and its outputs.
void frmDatInstDig::showRecord(const BatchSummary &summary)
{
    m_countsNote->setText(Messages::batchCounts(summary.tally));
    const bool written = m_record && m_record->csv && !m_record->failure;
    m_openReportButton->setEnabled(written);
    m_openReportButton->setToolTip(written ? QDir::toNativeSeparators(m_record->report)
                                   : m_record && m_record->failure
                                       ? Messages::reportUnwritable(m_record->report, m_record->failure)
                                       : QString());
    m_openDestinationButton->setToolTip(QDir::toNativeSeparators(folderText(m_destinationField)));
    for (QWidget *widget : {static_cast<QWidget *>(m_countsNote), static_cast<QWidget *>(m_openReportButton),
                            static_cast<QWidget *>(m_openDestinationButton)})
        widget->show();
}

void frmDatInstDig::batchDone(const BatchSummary &summary)
{
    m_refresh.stop();
    m_stopButton->hide();
    showProgress(); // the last file and the final value
    if (m_taskbar)
        m_taskbar->clear();
    // A long batch that ends behind other windows says so: the taskbar button
    // flashes (Windows), the window is marked urgent (Linux).
    if (m_batchTime.elapsed() > kNoticeAfterMs && !isActiveWindow())
        QApplication::alert(this);
    if (summary.result == BatchSummary::Result::NoSelection)
        showMessage(this, {QString::fromUtf16(kNoSelectionPrompt), QString::fromUtf16(kNoSelectionTitle),
                           QMessageBox::Critical});
    showFinishButtons();
    if (summary.result == BatchSummary::Result::DestinationMissing) {
        showMessage(this, {Messages::destinationMissing(folderText(m_destinationField)),
                           Messages::folderNotFoundTitle(), QMessageBox::Critical});
        showPage(Page::Settings);
    } else {
        const bool stopped = summary.result == BatchSummary::Result::Stopped;
        // A stopped batch is not "完了": the note says what was done instead.
        m_stoppedNote->setText(Messages::stopped(summary.tally.converted, summary.tally.notRun));
        m_stoppedNote->setVisible(stopped);
        m_doneNote->setVisible(!stopped);
        m_startOverNote->show();
        if (summary.result == BatchSummary::Result::Ran || stopped)
            showRecord(summary);
        reportBatch(summary);
    }
    emit batchFinished();
    if (m_closeWhenDone)
        endWizard();
}

// The two buttons come back where 「中止」 was: a click meant for 「中止」 that
// lands just as the batch ends must not finish the program, so they take
// clicks only after a moment.
void frmDatInstDig::showFinishButtons()
{
    for (QPushButton *button : {m_startOverButton, m_finishButton}) {
        button->setEnabled(g_finishButtonsWaitMs == 0);
        button->show();
    }
    if (g_finishButtonsWaitMs == 0)
        return;
    QTimer::singleShot(g_finishButtonsWaitMs, this, [this] {
        if (m_runner->isRunning())
            return;
        m_startOverButton->setEnabled(true);
        m_finishButton->setEnabled(true);
    });
}

void frmDatInstDig::setFinishButtonsWaitForTesting(int ms)
{
    g_finishButtonsWaitMs = ms;
}

void frmDatInstDig::reportBatch(const BatchSummary &summary)
{
    const bool stopped = summary.result == BatchSummary::Result::Stopped;
    const Tally &tally = summary.tally;
    if (tally.failed == 0 && !stopped)
        return;
    QStringList lines{Messages::batchSummary(summary.selected, tally.converted, tally.failed, tally.notRun)};
    if (tally.failed > 0)
        lines << QString();
    for (qsizetype i = 0; i < summary.failures.size() && i < kFailuresListed; ++i)
        lines << u"・"_s + Messages::failureOf(summary.failures[i]);
    if (tally.failed > kFailuresListed)
        lines << Messages::moreFailures(tally.failed - kFailuresListed);
    showMessage(this, {lines.join(u'\n'), Messages::batchTitle(stopped),
                       stopped && tally.failed == 0 ? QMessageBox::Information : QMessageBox::Critical});
}

void frmDatInstDig::endWizard()
{
    hide();
    close();
}

// The chooser opens over the window, which takes no input meanwhile; the
// click returns, and the folder chosen comes when the chooser closes.
void frmDatInstDig::browse(QLineEdit *field, const QString &prompt)
{
    if (!m_chooser) {
        m_chooser = new frmChoiceFolder(this);
        connect(m_chooser, &QDialog::finished, this, [this] {
            const QString chosen = m_chooser ? m_chooser->chosenFolder() : QString();
            if (!chosen.isEmpty() && m_browsing)
                m_browsing->setText(QDir::toNativeSeparators(chosen));
            m_browsing = nullptr;
        });
    }
    m_browsing = field;
    m_chooser->setPrompt(prompt);
    m_chooser->open(); // a close of its frame destroys it; the next use makes a new one
}

void frmDatInstDig::selectAllRows()
{
    m_fileList->selectAll();
    m_fileList->setFocus();
}

void frmDatInstDig::clearSelectedRows()
{
    m_fileList->clearSelection();
    m_fileList->setFocus();
}

void frmDatInstDig::updateNextButton()
{
    // White space alone (a full-width space too) names no folder: going on
    // would list, or write into, the root of the drive.
    const auto names = [this](const QLineEdit *field) { return !folderText(field).trimmed().isEmpty(); };
    m_nextButton->setEnabled(names(m_sourceField) && names(m_destinationField));
}

void frmDatInstDig::focusFileList()
{
    m_fileList->setFocus();
}

void frmDatInstDig::sortByColumn(int column)
{
    const Qt::SortOrder order = m_sortDescendingNext ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sortDescendingNext = !m_sortDescendingNext;
    m_fileList->sortRows(column - 1, order);
}

BatchRequest frmDatInstDig::batchRequest() const
{
    BatchRequest request;
    request.rows.reserve(m_fileList->rowCount());
    for (int i = 1; i <= m_fileList->rowCount(); ++i)
        request.rows.append({m_fileList->fileNameAt(i), m_fileList->row(i)->isSelected()});
    request.kind = chosenKind();
    request.sourceFolder = folderText(m_sourceField);
    request.destinationFolder = folderText(m_destinationField);
    request.columns = columnOptions();
    return request;
}

void frmDatInstDig::showProgress()
{
    const BatchRunner::State state = m_runner->state();
    if (state.changes == m_changesShown)
        return;
    m_changesShown = state.changes;
    m_sourcePath->setText(fs::shown(state.source));
    m_destinationPath->setText(fs::shown(state.destination));
    m_progressValue = state.progress;
    m_progressBar->setValue(qRound(state.progress));
    if (m_taskbar && m_runner->isRunning())
        m_taskbar->show(qRound(state.progress));
}

QString frmDatInstDig::folderText(const QLineEdit *field) const
{
    return withoutSpaces(field->text());
}

DataKind frmDatInstDig::chosenKind() const
{
    return m_standardKind->isChecked() ? DataKind::Standard : DataKind::Private;
}

ColumnOptions frmDatInstDig::columnOptions() const
{
    return {m_ticketOption->isChecked(), m_ticketColumn->currentIndex() + 1, m_moveOption->isChecked(),
            m_moveFromColumn->currentIndex() + 1, m_moveToColumn->currentIndex() + 1};
}

void frmDatInstDig::setProgressValue(float value)
{
    m_progressValue = value;
    m_progressBar->setValue(qRound(value));
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
    m_sourceField->setFocus();
}

void frmDatInstDig::closeEvent(QCloseEvent *event)
{
    if (m_runner->isRunning()) {
        // Closing stops the batch as 「中止」 does; the window goes once the
        // group being written is safely on the disk.
        m_runner->stop();
        m_closeWhenDone = true;
        event->ignore();
        return;
    }
    delete m_chooser; // the hidden chooser goes with the wizard
    event->accept();
    emit ended();
}

} // namespace hy3::ui
