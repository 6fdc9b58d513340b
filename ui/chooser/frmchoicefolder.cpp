// SPDX-License-Identifier: MIT
#include "frmchoicefolder.h"

#include "appearance.h"
#include "directorylist.h"
#include "drives.h"
#include "files/paths.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QCoreApplication>
#include <QPointer>
#include <QSignalBlocker>
#include <QTimer>

#include <thread>

using namespace Qt::StringLiterals;

namespace hy3::ui {

QString ChosenFolder;

namespace {

// A drive that has not answered by then is shown as not answering.
constexpr int kAnswerWithinMs = 3000;

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

    Dir1->setPath(QDir::currentPath());
    setDrives(drives());
    Drive1->setFocus();
}

frmChoiceFolder::~frmChoiceFolder() = default;

void frmChoiceFolder::buildControls()
{
    Label1 = new QLabel(u"インストールしたいデータのあるフォルダーを選択してください"_s, this);
    Label1->setGeometry(8, 8, 523, 23);
    Label1->setObjectName(u"Label1"_s);

    Drive1 = new QComboBox(this);
    Drive1->setGeometry(7, 36, 527, 20);
    Drive1->setObjectName(u"Drive1"_s);
    Drive1->setMaxVisibleItems(10);
    Drive1->setStyleSheet(u"QComboBox { combobox-popup: 0; }"_s);
    Drive1->setAccessibleName(u"ドライブ"_s);
    connect(Drive1, &QComboBox::currentIndexChanged, this, [this] { Drive1_Change(); });

    Dir1 = new DirectoryList(this);
    Dir1->setGeometry(7, 61, 527, 272);
    Dir1->setObjectName(u"Dir1"_s);
    Dir1->setAccessibleName(u"フォルダー"_s);
    connect(Dir1, &DirectoryList::pathChanged, this, [this](const QString &path) { selectDriveOf(path); });

    const QStringList captions{u"OK"_s, u"キャンセル"_s};
    for (int i = 0; i < 2; ++i) {
        Command1[i] = new QPushButton(captions[i], this);
        Command1[i]->setGeometry(360 + 87 * i, 342, 81, 22);
        Command1[i]->setObjectName(u"Command1_%1"_s.arg(i));
        Command1[i]->setAutoDefault(false); // Enter triggers no button
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
    }
    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, Command1[0]);
    setTabOrder(Command1[0], Command1[1]);
}

void frmChoiceFolder::setPrompt(const QString &prompt)
{
    Label1->setText(prompt);
}

void frmChoiceFolder::setDrives(const QList<Drive> &drives)
{
    {
        const QSignalBlocker blocker(Drive1);
        Drive1->clear();
        for (const Drive &drive : drives)
            Drive1->addItem(QDir::toNativeSeparators(drive.name), drive.root);
    }
    selectDriveOf(Dir1->path());
    askDrives();
}

void frmChoiceFolder::askDrives()
{
    const quint64 asking = ++m_asking;
    for (int i = 0; i < Drive1->count(); ++i) {
        std::thread([self = QPointer<frmChoiceFolder>(this), asking, root = Drive1->itemData(i).toString()] {
            const DriveState state = askDrive(root);
            if (QCoreApplication *app = QCoreApplication::instance())
                QMetaObject::invokeMethod(app, [self, asking, root, state] {
                    if (self)
                        self->driveAnswered(asking, root, state);
                }, Qt::QueuedConnection);
        }).detach();
    }
    QTimer::singleShot(kAnswerWithinMs, this, [this, asking] {
        if (asking != m_asking)
            return;
        for (int i = 0; i < Drive1->count(); ++i) {
            if (!Drive1->itemData(i, Qt::UserRole + 1).toBool())
                Drive1->setItemText(i, QDir::toNativeSeparators(Drive1->itemText(i)) + tr("（応答がありません）"));
        }
    });
}

// A drive's answer: its label where it has one, or a word that it can't be used now.
void frmChoiceFolder::driveAnswered(quint64 asking, const QString &root, const DriveState &state)
{
    if (asking != m_asking)
        return;
    const int index = Drive1->findData(root);
    if (index < 0)
        return;
    Drive1->setItemData(index, true, Qt::UserRole + 1);
    QString text = Drive1->itemText(index);
    if (!state.ready)
        text += tr("（使用できません）");
    else if (!state.label.isEmpty())
        text += u" ["_s + state.label + u']';
    Drive1->setItemText(index, text);
}

// Shows the drive that holds the path without moving the folder list.
void frmChoiceFolder::selectDriveOf(const QString &path)
{
    const QString root = rootOf(path);
    const QSignalBlocker blocker(Drive1); // neither the added item nor the choice is a drive change
    int index = Drive1->findData(root);
    if (index < 0) {
        Drive1->addItem(QDir::toNativeSeparators(root), root);
        index = Drive1->count() - 1;
    }
    Drive1->setCurrentIndex(index);
}

void frmChoiceFolder::Command1_Click(int Index)
{
    if (Index == 0) {
        ChosenFolder = fs::withSeparator(Dir1->path());
        accept();
    } else {
        ChosenFolder.clear();
        reject();
    }
}

void frmChoiceFolder::Drive1_Change()
{
    const QString root = Drive1->currentData().toString();
    if (Dir1->setPath(root)) // reads the folder from the disk
        return;
    if (m_fallingBack)
        return; // the program's own drive can't be read either: stay as we are, usable
    // A drive that can't be read: back to the program's own drive, silently.
    m_fallingBack = true;
    const QString fallback = programDrive();
    int index = Drive1->findData(fallback);
    if (index < 0) {
        Drive1->addItem(QDir::toNativeSeparators(fallback), fallback);
        index = Drive1->count() - 1;
    }
    if (Drive1->currentIndex() == index)
        Drive1_Change();
    else
        Drive1->setCurrentIndex(index); // raises Drive1_Change again
    Dir1->refresh();
    m_fallingBack = false;
}

void frmChoiceFolder::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Dir1->highlightOpenFolder(); // not an entry merely clicked during the last use
}

void frmChoiceFolder::closeEvent(QCloseEvent *event)
{
    // Closed by the frame, not by a button: no folder, and the chooser goes.
    ChosenFolder.clear();
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
