#pragma once

#include "batch.h"
#include "convert.h"

#include <QWidget>

#include <array>

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

// The converter's one window: a banner and three stacked pages (settings, file
// list, progress). Controls keep the names and indexes of the design; each
// control array has one handler that receives the index.
class frmDatInstDig : public QWidget
{
    Q_OBJECT

public:
    explicit frmDatInstDig(QWidget *parent = nullptr);
    ~frmDatInstDig() override;

    // Public operations.
    BatchSummary InstPrc();
    [[nodiscard]] bool ChkFile(const QString &strFile) const;
    void ConvHyoToHy3(const QString &strOldName);
    void ConvHypToHy3(const QString &strOldName);

    // Handlers.
    void Form_Load();
    void Command1_Click(int Index);
    void Command2_Click(int Index);
    void Command3_Click(int Index);
    void Text1_Change(int Index);
    void Check1_Click(int Index);
    void Combo1_Click(int Index);
    void ListView1_ColumnClick(int column);

    // The page in front: 0 settings, 1 file list, 2 progress.
    void ShowPage(int index);
    [[nodiscard]] int currentPage() const { return m_page; }

    [[nodiscard]] DataKind chosenKind() const;
    [[nodiscard]] ColumnOptions columnOptions() const;

    // The progress value as the batch set it, 0..100 with fractions.
    [[nodiscard]] float progressValue() const { return m_progressValue; }
    void setProgressValue(float value);

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

signals:
    // The wizard has ended (cancel, finish or a close of the frame): the program ends.
    void ended();

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

    void runBatch();
    void EndWizard();
    void convertShowingPaths(DataKind kind, const QString &strOldName);
    void reportFailures(const BatchSummary &summary);

    int m_page = 0;
    float m_progressValue = 0.0f;
    bool m_sortDescendingNext = false; // the one direction flag, shared by every header
    bool m_centred = false;
};

} // namespace hy3::ui
