// SPDX-License-Identifier: MIT
#include "frmchoicefolder.h"

#include "appearance.h"
#include "detached.h"
#include "directorylist.h"
#include "drives.h"
#include "files/paths.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace hy3::ui {

namespace {

// A drive that has not answered by then is shown as not answering.
int g_answerWithinMs = 3000;

constexpr int kAnsweredRole = Qt::UserRole + 1;

} // namespace

frmChoiceFolder::frmChoiceFolder(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(u"frmChoiceFolder"_s);
    setWindowTitle(u"フォルダーの選択"_s);
    setFont(converterFont());
    setFixedSize(541, 368);
    setModal(true);
    buildControls();

    m_folders->setPath(QDir::currentPath());
    setDrives(drives());
    m_drives->setFocus();
}

frmChoiceFolder::~frmChoiceFolder() = default;

void frmChoiceFolder::setDriveAnswerWaitForTesting(int ms)
{
    g_answerWithinMs = ms;
}

void frmChoiceFolder::buildControls()
{
    m_prompt = new QLabel(u"インストールしたいデータのあるフォルダーを選択してください"_s, this);
    m_prompt->setGeometry(8, 8, 523, 23);
    m_prompt->setObjectName(u"Label1"_s);

    m_drives = new QComboBox(this);
    m_drives->setGeometry(7, 36, 527, 20);
    m_drives->setObjectName(u"Drive1"_s);
    m_drives->setMaxVisibleItems(10);
    m_drives->setStyleSheet(u"QComboBox { combobox-popup: 0; }"_s);
    m_drives->setAccessibleName(u"ドライブ"_s);
    connect(m_drives, &QComboBox::currentIndexChanged, this, &frmChoiceFolder::driveChosen);

    m_folders = new DirectoryList(this);
    m_folders->setGeometry(7, 61, 527, 272);
    m_folders->setObjectName(u"Dir1"_s);
    m_folders->setAccessibleName(u"フォルダー"_s);
    connect(m_folders, &DirectoryList::pathChanged, this, [this](const QString &path) {
        m_fallingBack = false;
        selectDriveOf(path);
    });
    connect(m_folders, &DirectoryList::pathFailed, this, &frmChoiceFolder::folderUnreadable);

    m_okButton = new QPushButton(u"OK"_s, this);
    m_cancelButton = new QPushButton(u"キャンセル"_s, this);
    int i = 0;
    for (QPushButton *button : {m_okButton, m_cancelButton}) {
        button->setGeometry(360 + 87 * i, 342, 81, 22);
        button->setObjectName(u"Command1_%1"_s.arg(i++));
        button->setAutoDefault(false); // Enter triggers no button
    }
    connect(m_okButton, &QPushButton::clicked, this, [this] {
        m_chosen = fs::withSeparator(m_folders->path());
        accept();
    });
    connect(m_cancelButton, &QPushButton::clicked, this, [this] {
        m_chosen.clear();
        reject();
    });
    setTabOrder(m_drives, m_folders);
    setTabOrder(m_folders, m_okButton);
    setTabOrder(m_okButton, m_cancelButton);
}

void frmChoiceFolder::setPrompt(const QString &prompt)
{
    m_prompt->setText(prompt);
}

void frmChoiceFolder::setDrives(const QList<Drive> &drives)
{
    {
        const QSignalBlocker blocker(m_drives);
        m_drives->clear();
        for (const Drive &drive : drives)
            m_drives->addItem(QDir::toNativeSeparators(drive.name), drive.root);
    }
    selectDriveOf(m_folders->path().isEmpty() ? QDir::currentPath() : m_folders->path());
    askDrives();
}

// Each drive is asked on a helper that may never come back (a stuck network
// mount); one that has not answered in time is shown so, and the list stays usable.
void frmChoiceFolder::askDrives()
{
    const quint64 asking = ++m_asking;
    for (int i = 0; i < m_drives->count(); ++i) {
        const QString root = m_drives->itemData(i).toString();
        runDetached<DriveState>(
            this, [root] { return askDrive(root); },
            [this, asking, root](const DriveState &state) { driveAnswered(asking, root, state); });
    }
    QTimer::singleShot(g_answerWithinMs, this, [this, asking] {
        if (asking != m_asking)
            return;
        for (int i = 0; i < m_drives->count(); ++i) {
            if (!m_drives->itemData(i, kAnsweredRole).toBool())
                m_drives->setItemText(i, QDir::toNativeSeparators(m_drives->itemText(i)) + tr("（応答がありません）"));
        }
    });
}

// A drive's answer: its label where it has one, or a word that it can't be used now.
void frmChoiceFolder::driveAnswered(quint64 asking, const QString &root, const DriveState &state)
{
    if (asking != m_asking)
        return;
    const int index = m_drives->findData(root);
    if (index < 0)
        return;
    m_drives->setItemData(index, true, kAnsweredRole);
    QString text = m_drives->itemText(index);
    if (!state.ready)
        text += tr("（使用できません）");
    else if (!state.label.isEmpty())
        text += u" ["_s + state.label + u']';
    m_drives->setItemText(index, text);
}

// Shows the drive that holds the path without moving the folder list.
void frmChoiceFolder::selectDriveOf(const QString &path)
{
    const QString root = rootOf(path);
    const QSignalBlocker blocker(m_drives); // neither the added item nor the choice is a drive change
    int index = m_drives->findData(root);
    if (index < 0) {
        m_drives->addItem(QDir::toNativeSeparators(root), root);
        index = m_drives->count() - 1;
    }
    m_drives->setCurrentIndex(index);
}

// A drive chosen: the folder list opens its root once it has been read.
void frmChoiceFolder::driveChosen()
{
    m_driveOpening = m_drives->currentData().toString();
    m_folders->setPath(m_driveOpening);
}

// A drive that can't be read: back to the program's own drive, silently.
// When that one can't be read either, the chooser stays as it is, usable.
void frmChoiceFolder::folderUnreadable(const QString &path)
{
    if (path != m_driveOpening || m_fallingBack) {
        m_fallingBack = false;
        return; // a folder opened in the list that can't be read: the list stays
    }
    m_fallingBack = true;
    const QString fallback = programDrive();
    int index = m_drives->findData(fallback);
    if (index < 0) {
        m_drives->addItem(QDir::toNativeSeparators(fallback), fallback);
        index = m_drives->count() - 1;
    }
    if (m_drives->currentIndex() == index)
        driveChosen();
    else
        m_drives->setCurrentIndex(index); // a drive change again
}

void frmChoiceFolder::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_folders->highlightOpenFolder(); // not an entry merely clicked during the last use
}

void frmChoiceFolder::closeEvent(QCloseEvent *event)
{
    // Closed by the frame, not by a button: no folder, and the chooser goes.
    m_chosen.clear();
    event->accept();
    reject();
    deleteLater();
}

void frmChoiceFolder::keyPressEvent(QKeyEvent *event)
{
    // Neither Escape nor Enter closes the chooser: only its buttons and its frame do.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace hy3::ui
