// SPDX-License-Identifier: MIT
#pragma once

#include "batch.h"
#include "conversionrun.h"

#include <QPointer>
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

namespace hy3::ui {

class FileListView;
class frmChoiceFolder;

// The converter's one window: a banner and three stacked pages (settings, file
// list, progress). Controls of one kind and role are kept as arrays, with one
// handler per array that receives the index; each control's object name is
// its array name and index ("Command1_0").
class frmDatInstDig : public QWidget
{
    Q_OBJECT

public:
    explicit frmDatInstDig(QWidget *parent = nullptr);
    ~frmDatInstDig() override;

    // Converts the selected rows of the file list with the chosen kind,
    // moving the bar after each file.
    BatchSummary InstPrc();
    // True when the path names at least one normal file ('*' and '?' allowed).
    [[nodiscard]] bool ChkFile(const QString &strFile) const;
    // Convert one file of the file list (by its real name) with the folders and
    // column options on the window; throw DataError on failure. Within InstPrc
    // the output is committed with its group, otherwise at once.
    void ConvHyoToHy3(const QString &strOldName);
    void ConvHypToHy3(const QString &strOldName);

    // The page in front: 0 settings, 1 file list, 2 progress.
    void showPage(int index);
    [[nodiscard]] int currentPage() const { return m_page; }

    // The progress value as the batch set it, 0..100 with fractions.
    [[nodiscard]] float progressValue() const { return m_progressValue; }

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

    void Form_Load();
    void Command1_Click(int Index);
    void Command2_Click(int Index);
    void Command3_Click(int Index);
    void Text1_Change(int Index);
    void Check1_Click(int Index);
    void Combo1_Click(int Index);
    void ListView1_ColumnClick(int column);

    void listOldDataFiles();
    void convertSelectedRows();
    void finish();
    void endWizard();
    void convertShowingPaths(DataKind kind, const QString &strOldName);
    void reportFailures(const BatchSummary &summary);
    void setProgressValue(float value);
    [[nodiscard]] DataKind chosenKind() const;
    [[nodiscard]] ColumnOptions columnOptions() const;
    [[nodiscard]] QList<BatchRow> batchRows() const;

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

    QPointer<frmChoiceFolder> m_chooser; // created on first use, goes with the window
    ConversionRun *m_run = nullptr;      // the batch in progress, if any
    int m_page = 0;
    float m_progressValue = 0.0f;
    bool m_sortDescendingNext = false; // the one direction flag, shared by every header
    bool m_centred = false;
};

} // namespace hy3::ui
