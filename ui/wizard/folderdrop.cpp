// SPDX-License-Identifier: MIT
#include "folderdrop.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

namespace hy3::ui {

namespace {

// The folder a drop stands for, or an empty string when it is no local path.
QString droppedFolder(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().isEmpty())
        return {};
    const QUrl url = data->urls().first();
    if (!url.isLocalFile())
        return {};
    const QFileInfo info(url.toLocalFile());
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    return QDir::toNativeSeparators(folder);
}

class FolderDropFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *field = qobject_cast<QLineEdit *>(watched);
        if (!field)
            return false;
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *drag = static_cast<QDropEvent *>(event);
            if (droppedFolder(drag->mimeData()).isEmpty())
                return false; // plain text: the field's own handling
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            const QString folder = droppedFolder(drop->mimeData());
            if (folder.isEmpty())
                return false;
            field->setText(folder); // fires the change handler, as typing would
            field->setFocus();
            drop->acceptProposedAction();
            return true;
        }
        default:
            return false;
        }
    }
};

} // namespace

QString folderFromArgument(const QString &argument)
{
    const QUrl url(argument);
    const QString path = url.isLocalFile() && argument.startsWith(u"file:", Qt::CaseInsensitive) ? url.toLocalFile()
                                                                                                  : argument;
    const QFileInfo info(path);
    return QDir::toNativeSeparators(info.isFile() ? info.absolutePath() : path);
}

void acceptFolderDrops(QLineEdit *field)
{
    field->setAcceptDrops(true);
    field->installEventFilter(new FolderDropFilter(field));
}

} // namespace hy3::ui
