// SPDX-License-Identifier: MIT
#pragma once

#include <QListWidget>
#include <QString>

namespace hy3::ui {

// A folder tree in one list: the open folder's parents from the root down,
// the open folder itself, then its sub-folders, each indented by its depth.
// The open folder and its parents carry an open-folder picture, the
// sub-folders a closed one. A click only highlights an entry; a double click
// (or Enter) opens it; typing the first letters of a name highlights it.
// path() is always the open folder.
class DirectoryList : public QListWidget
{
    Q_OBJECT

public:
    static constexpr int kDepthRole = Qt::UserRole + 1;
    static constexpr int kOpenRole = Qt::UserRole + 2; // true for the open folder and its parents

    explicit DirectoryList(QWidget *parent = nullptr);

    [[nodiscard]] QString path() const { return m_path; }

    // Opens the folder once it has been read, off the window's thread:
    // pathChanged() then; pathFailed(), with nothing changed, when it can't
    // be read or does not answer within two seconds. A later call wins.
    void setPath(const QString &path);

    // Reads the open folder's sub-folders from the disk again.
    void refresh();

    // Highlights the open folder (as when the list is shown again).
    void highlightOpenFolder();

signals:
    // The open folder has changed.
    void pathChanged(const QString &path);
    // The folder asked for can't be opened (as asked, before any cleaning).
    void pathFailed(const QString &path);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void openItem(QListWidgetItem *item);
    void read(const QString &asked, const QString &path);
    void show(const QStringList &children);

    QString m_path;
    quint64 m_reading = 0; // the reading whose answer counts; those before it are left to end
    bool m_waiting = false;
};

} // namespace hy3::ui
