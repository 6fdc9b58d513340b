#pragma once

#include <QDialog>
#include <QString>

#include <array>

class QComboBox;
class QLabel;
class QPushButton;

namespace hy3::ui {

class DirectoryList;

// The folder chosen when the chooser was last closed: the open folder ending
// in the separator after "OK", empty after "キャンセル" or a close of the frame.
extern QString ChosenFolder;

// The modal folder chooser: a drive list and a folder list. It is created on
// first use and only hidden by its buttons, so the next use opens where the
// last one ended; a close of its frame destroys it.
class frmChoiceFolder : public QDialog
{
    Q_OBJECT

public:
    // The chooser, created on first use.
    static frmChoiceFolder &instance();
    // The chooser if it exists, without creating it.
    static frmChoiceFolder *existing();
    // Destroys the chooser, if any; the wizard calls this as it closes.
    static void Unload();

    void setPrompt(const QString &prompt);

    // Replaces the drive list's roots and selects the one holding the open folder.
    void setDrives(const QStringList &roots);

    // Controls, named as the design names them.
    QLabel *Label1 = nullptr;
    QComboBox *Drive1 = nullptr;
    DirectoryList *Dir1 = nullptr;
    std::array<QPushButton *, 2> Command1{};

    void Command1_Click(int Index);
    void Drive1_Change();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    frmChoiceFolder();
    ~frmChoiceFolder() override;

    void buildControls();
    void selectDriveOf(const QString &path);

    bool m_fallingBack = false;
};

} // namespace hy3::ui
