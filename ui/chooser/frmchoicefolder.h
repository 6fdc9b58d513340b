// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QString>

#include "drives.h"

#include <array>

class QComboBox;
class QLabel;
class QPushButton;

namespace hy3::ui {

class DirectoryList;

// The folder chosen when the chooser was last closed: the open folder ending
// in the separator after "OK", empty after "キャンセル" or a close of the frame.
extern QString ChosenFolder;

// The modal folder chooser: a drive list and a folder list. Its owner keeps it
// between uses, hidden by its buttons, so the next use opens where the last
// one ended; a close of its frame destroys it. Controls are found by their
// object names: Label1, Drive1, Dir1, Command1_0 (OK), Command1_1 (キャンセル).
class frmChoiceFolder : public QDialog
{
    Q_OBJECT

public:
    explicit frmChoiceFolder(QWidget *parent);
    ~frmChoiceFolder() override;

    void setPrompt(const QString &prompt);

    // Replaces the drive list and selects the drive holding the open folder;
    // each drive is then asked, off the window's thread, whether it answers
    // and what it is called, and shown so.
    void setDrives(const QList<Drive> &drives);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();
    void selectDriveOf(const QString &path);
    void Command1_Click(int Index);
    void Drive1_Change();
    void askDrives();
    void driveAnswered(quint64 asking, const QString &root, const DriveState &state);

    quint64 m_asking = 0; // the round of questions whose answers are shown
    QLabel *Label1 = nullptr;
    QComboBox *Drive1 = nullptr;
    DirectoryList *Dir1 = nullptr;
    std::array<QPushButton *, 2> Command1{};
    bool m_fallingBack = false;
};

} // namespace hy3::ui
