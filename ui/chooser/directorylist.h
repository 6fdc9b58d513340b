#pragma once

#include <QListWidget>
#include <QString>

namespace hy3::ui {

// A folder tree in one list: the open folder's ancestors from the root down,
// the open folder itself, then its sub-folders. A click only highlights an
// entry; a double click (or Enter) opens it. path() is always the open folder.
class DirectoryList : public QListWidget
{
    Q_OBJECT

public:
    explicit DirectoryList(QWidget *parent = nullptr);

    [[nodiscard]] QString path() const { return m_path; }

    // Opens the folder; false, with nothing changed, when it can't be read.
    bool setPath(const QString &path);

    // Reads the open folder's sub-folders from the disk again.
    bool refresh();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void openItem(QListWidgetItem *item);

    QString m_path;
};

} // namespace hy3::ui
