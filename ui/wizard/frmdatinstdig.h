// SPDX-License-Identifier: MIT
#pragma once

#include "engine/batch.h"
#include "engine/batchrunner.h"
#include "listing/listing.h"

#include "fs/sys.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace hy3 {
class BatchRunner;
struct RunRecord;
}

namespace hy3::ui {

class FileListView;
class frmChoiceFolder;

// The converter's one window: a banner and three stacked pages (settings, file
// list, progress). The listing of a folder and the batch run off the window's
// thread: the window stays live, and a slow or stuck folder never freezes it.
//
// Each control has a fixed object name, stable across releases, by which
// the tests and automation tools find it:
//
//   Label1 banner band          Label2 banner title          Label3 banner text
//   Image1 banner picture       Label4_0..3 separator lines (banner, progress, settings, file list pages)
//   Frame1_0..2 the pages       Label5_0 source prompt       Label5_4 destination prompt
//   Text1_0 source field        Text1_1 destination field    Command2_0/1 their 参照 buttons
//   Frame2 kind box             Option1_0 .hyo, Option1_1 .hyp
//   Label9 overwrite warning    Label10 size warning         Label5_1 next hint
//   Command1_0 次へ  Command1_1 キャンセル (settings)  Command1_2 変換実行  Command1_3 キャンセル (file list)
//   Command1_4 最初へジャンプ   Command1_5 完了            Command1_6 戻る
//   Label5_3 file list hint     ListView1 file list          Command3_0 すべて選択  Command3_1 選択の解除
//   Frame3 column options       Check1_0 ticket option, Combo1_0 its column
//   Check1_1 move option, Combo1_1 from, Combo1_2 to
//   Label5_2 progress hint      Label11/Label12 source caption/path    Label13/Label14 destination caption/path
//   Label6 box round the bar    ProgressBar1 the bar         Label7 done note  Label8 start-over note
//   (ours) ListingNote, StopButton, StoppedNote, ResultCounts, OpenReportButton, OpenDestinationButton
class frmDatInstDig : public QWidget
{
    Q_OBJECT

public:
    enum class Page { Settings, FileList, Progress };

    explicit frmDatInstDig(QWidget *parent = nullptr);
    ~frmDatInstDig() override;

    // The source field, as if the user typed the folder (the program opened with one).
    void setSourceFolder(const QString &folder);

    void showPage(Page page);
    [[nodiscard]] Page currentPage() const { return m_page; }

    // The progress value as the batch set it, 0..100 with fractions.
    [[nodiscard]] float progressValue() const { return m_progressValue; }
    // A listing or a batch is running.
    [[nodiscard]] bool isBusy() const;

    // How long 「最初へジャンプ」 and 「完了」 ignore clicks after a batch (0: not at all).
    static void setFinishButtonsWaitForTesting(int ms);

signals:
    // The wizard has ended (cancel, finish or a close of the frame): the program ends.
    void ended();
    // A listing has filled the list (or said why it could not).
    void listingFinished();
    // A batch is over and its notes and messages are shown.
    void batchFinished();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildBanner();
    void buildSettingsPage();
    void buildFileListPage();
    void buildProgressPage();
    void setTabOrders();
    void connectHandlers();
    void placeColumnChoosers();
    void fillColumnChoosers();

    // The actions of the buttons and fields.
    void listOldDataFiles();
    void listingDone(quint64 listing, const ListingResult &result);
    void stopListing();
    void convertSelectedRows();
    void batchDone(const BatchSummary &summary);
    void startOver();
    void goBack();
    void finish();
    void endWizard();
    void browse(QLineEdit *field, const QString &prompt);
    void selectAllRows();
    void clearSelectedRows();
    void updateNextButton();
    void focusFileList();
    void sortByColumn(int column);

    void showFinishButtons();
    void showRecord(const BatchSummary &summary);
    [[nodiscard]] BatchRunner::Hooks keepRecord(BatchRequest &request);
    void reportBatch(const BatchSummary &summary);
    void showProgress();
    void setProgressValue(float value);
    [[nodiscard]] QString folderText(const QLineEdit *field) const;
    [[nodiscard]] DataKind chosenKind() const;
    [[nodiscard]] ColumnOptions columnOptions() const;
    [[nodiscard]] BatchRequest batchRequest() const;

    // Banner.
    QLabel *m_bannerBand = nullptr;
    QLabel *m_bannerTitle = nullptr;
    QLabel *m_bannerText = nullptr;
    QLabel *m_bannerImage = nullptr;
    QFrame *m_bannerLine = nullptr;

    std::array<QFrame *, 3> m_pages{}; // by Page

    // Settings page.
    QLabel *m_sourcePrompt = nullptr;
    QLineEdit *m_sourceField = nullptr;
    QPushButton *m_browseSourceButton = nullptr;
    QLabel *m_destinationPrompt = nullptr;
    QLineEdit *m_destinationField = nullptr;
    QPushButton *m_browseDestinationButton = nullptr;
    QLabel *m_overwriteWarning = nullptr;
    QLabel *m_sizeWarning = nullptr;
    QGroupBox *m_kindBox = nullptr;
    QRadioButton *m_standardKind = nullptr;
    QRadioButton *m_privateKind = nullptr;
    QLabel *m_nextHint = nullptr;
    QFrame *m_settingsLine = nullptr;
    QPushButton *m_nextButton = nullptr;
    QPushButton *m_settingsCancelButton = nullptr;

    // File list page.
    QLabel *m_fileListHint = nullptr;
    FileListView *m_fileList = nullptr;
    QLabel *m_listingNote = nullptr;
    QPushButton *m_selectAllButton = nullptr;
    QPushButton *m_clearSelectionButton = nullptr;
    QPushButton *m_backButton = nullptr;
    QFrame *m_fileListLine = nullptr;
    QGroupBox *m_columnOptionsBox = nullptr;
    QCheckBox *m_ticketOption = nullptr;
    QCheckBox *m_moveOption = nullptr;
    QComboBox *m_ticketColumn = nullptr;
    QComboBox *m_moveFromColumn = nullptr;
    QComboBox *m_moveToColumn = nullptr;
    QPushButton *m_convertButton = nullptr;
    QPushButton *m_fileListCancelButton = nullptr;

    // Progress page.
    QLabel *m_progressHint = nullptr;
    QLabel *m_sourceCaption = nullptr;
    QLabel *m_sourcePath = nullptr;
    QLabel *m_destinationCaption = nullptr;
    QLabel *m_destinationPath = nullptr;
    QLabel *m_progressBox = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QLabel *m_doneNote = nullptr;
    QLabel *m_startOverNote = nullptr;
    QLabel *m_stoppedNote = nullptr; // in the done note's place after a batch that was stopped
    QFrame *m_progressLine = nullptr;
    QPushButton *m_startOverButton = nullptr;
    QPushButton *m_finishButton = nullptr;
    QPushButton *m_stopButton = nullptr; // in the place of the two, while a batch runs
    QLabel *m_countsNote = nullptr;            // what the last batch did, in numbers
    QPushButton *m_openReportButton = nullptr; // its report, in the program that opens CSV
    QPushButton *m_openDestinationButton = nullptr;

    QPointer<frmChoiceFolder> m_chooser; // created on first use, goes with the window
    QLineEdit *m_browsing = nullptr;     // the field the open chooser is for
    Page m_page = Page::Settings;
    float m_progressValue = 0.0f;
    bool m_sortDescendingNext = false; // the one direction flag, shared by every header
    bool m_centred = false;

    quint64 m_listing = 0; // the listing whose result the window waits for
    bool m_listingRuns = false;

    BatchRunner *m_runner = nullptr;
    QElapsedTimer m_batchTime;                          // for asking for attention when a long batch ends
    std::unique_ptr<fs::sys::TaskbarProgress> m_taskbar; // the share done, on the taskbar button (Windows)
    std::shared_ptr<RunRecord> m_record; // the running or last batch's backups and report
    QTimer m_refresh; // shows the batch's latest state once a screen refresh
    quint64 m_changesShown = 0;
    bool m_closeWhenDone = false;
};

} // namespace hy3::ui
