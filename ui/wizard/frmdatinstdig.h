// SPDX-License-Identifier: MIT
#pragma once

#include "engine/batch.h"
#include "listing/listing.h"

#include <QMutex>
#include <QPointer>
#include <QWidget>

#include <array>
#include <atomic>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace hy3::ui {

class FileListView;
class frmChoiceFolder;

// The converter's one window: a banner and three stacked pages (settings, file
// list, progress). Controls of one kind and role are kept as arrays, with one
// handler per array that receives the index; each control's object name is
// its array name and index ("Command1_0"). The listing of a folder and the
// batch run off the window's thread: the window stays live, and a slow or
// stuck folder never freezes it.
class frmDatInstDig : public QWidget
{
    Q_OBJECT

public:
    explicit frmDatInstDig(QWidget *parent = nullptr);
    ~frmDatInstDig() override;

    // Converts the selected rows of the file list with the chosen kind and
    // returns when the batch is over; meanwhile the window answers, shows the
    // file and the bar as they move, and offers 「中止」.
    BatchSummary InstPrc();

    // The page in front: 0 settings, 1 file list, 2 progress.
    void showPage(int index);
    [[nodiscard]] int currentPage() const { return m_page; }

    // The progress value as the batch set it, 0..100 with fractions.
    [[nodiscard]] float progressValue() const { return m_progressValue; }
    // A listing or a batch is running.
    [[nodiscard]] bool isBusy() const { return m_listingRuns || m_batchRuns; }

    // How long 「最初へジャンプ」 and 「完了」 ignore clicks after a batch (0: not at all).
    static void setFinishButtonsWaitForTesting(int ms);

signals:
    // The wizard has ended (cancel, finish or a close of the frame): the program ends.
    void ended();
    // A listing has filled the list (or said why it could not).
    void listingFinished();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // What the batch's thread last reported, for the window to show.
    struct Progress
    {
        QMutex mutex;
        QString source;
        QString destination;
        float value = 0.0f;
        quint64 changes = 0; // to tell whether there is anything new to show
    };

    void buildBanner();
    void buildSettingsPage();
    void buildFileListPage();
    void buildProgressPage();
    void setTabOrders();
    void connectHandlers();
    void placeColumnChoosers();

    void Form_Load();
    void Command1_Click(int Index);
    void Command2_Click(int Index);
    void Command3_Click(int Index);
    void Text1_Change(int Index);
    void Check1_Click(int Index);
    void Combo1_Click(int Index);
    void ListView1_ColumnClick(int column);

    void listOldDataFiles();
    void listingDone(quint64 listing, const ListingResult &result);
    void stopListing();
    void convertSelectedRows();
    void showFinishButtons();
    void finish();
    void endWizard();
    void reportBatch(const BatchSummary &summary);
    void showProgress();
    void setProgressValue(float value);
    [[nodiscard]] QString folderText(int index) const;
    [[nodiscard]] DataKind chosenKind() const;
    [[nodiscard]] ColumnOptions columnOptions() const;
    [[nodiscard]] BatchRequest batchRequest() const;

    // Banner.
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Image1 = nullptr;
    std::array<QFrame *, 4> Label4{};

    // Pages and their controls.
    std::array<QFrame *, 3> Frame1{};
    std::array<QLabel *, 5> Label5{};
    std::array<QLineEdit *, 2> Text1{};
    std::array<QPushButton *, 2> Command2{};
    QGroupBox *Frame2 = nullptr;
    std::array<QRadioButton *, 2> Option1{};
    std::array<QPushButton *, 7> Command1{};
    QLabel *Label9 = nullptr;
    QLabel *Label10 = nullptr;

    FileListView *ListView1 = nullptr;
    QLabel *m_listingNote = nullptr;
    std::array<QPushButton *, 2> Command3{};
    QGroupBox *Frame3 = nullptr;
    std::array<QCheckBox *, 2> Check1{};
    std::array<QComboBox *, 3> Combo1{};

    QLabel *Label6 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label8 = nullptr;
    QLabel *Label11 = nullptr;
    QLabel *Label12 = nullptr;
    QLabel *Label13 = nullptr;
    QLabel *Label14 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QPushButton *m_stop = nullptr;
    QLabel *m_resultNote = nullptr; // in Label7's place after a batch that was stopped

    QPointer<frmChoiceFolder> m_chooser; // created on first use, goes with the window
    int m_page = 0;
    float m_progressValue = 0.0f;
    bool m_sortDescendingNext = false; // the one direction flag, shared by every header
    bool m_centred = false;

    quint64 m_listing = 0; // the listing whose result the window waits for
    bool m_listingRuns = false;

    bool m_batchRuns = false;
    bool m_closeWhenDone = false;
    std::atomic<bool> m_stopRequested{false};
    Progress m_progress;
    quint64 m_changesShown = 0;
};

} // namespace hy3::ui
