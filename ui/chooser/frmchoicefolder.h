// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QString>

#include "drives.h"


class QComboBox;
class QLabel;
class QPushButton;

namespace hy3::ui {

class DirectoryList;

// The modal folder chooser: a drive list and a folder list. Its owner keeps it
// between uses, hidden by its buttons, so the next use opens where the last
// one ended; a close of its frame destroys it. Controls have fixed
// object names: Label1 (prompt), Drive1 (drives), Dir1 (folders),
// Command1_0 (OK), Command1_1 (キャンセル).
class frmChoiceFolder : public QDialog
{
    Q_OBJECT

public:
    explicit frmChoiceFolder(QWidget *parent);
    ~frmChoiceFolder() override;

    void setPrompt(const QString &prompt);

    // The folder chosen when the chooser was last closed: the open folder
    // ending in the separator after "OK", empty after "キャンセル" or a close
    // of the frame.
    [[nodiscard]] const QString &chosenFolder() const { return m_chosen; }

    // How long a drive may take to answer before it is shown as not answering.
    static void setDriveAnswerWaitForTesting(int ms);

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
    void driveChosen();
    void folderUnreadable(const QString &path);
    void askDrives();
    void driveAnswered(quint64 asking, const QString &root, const DriveState &state);

    quint64 m_asking = 0; // the round of questions whose answers are shown
    QLabel *m_prompt = nullptr;
    QComboBox *m_drives = nullptr;
    DirectoryList *m_folders = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QString m_chosen;
    QString m_driveOpening; // the drive whose root the folder list is opening
    bool m_fallingBack = false;
};

} // namespace hy3::ui
