#include "directorylist.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>

using namespace Qt::StringLiterals;

namespace hy3::ui {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kIndentPerLevel = 2; // leading spaces, as the classic folder list draws its tree

QString entryText(const QString &name, int depth)
{
    return QString(depth * kIndentPerLevel, u' ') + name;
}

// "/", "/home", "/home/user" for "/home/user".
QStringList ancestorsAndSelf(const QString &path)
{
    QStringList chain;
    QDir dir(path);
    while (true) {
        chain.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp())
            break;
    }
    return chain;
}

} // namespace

DirectoryList::DirectoryList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemDoubleClicked, this, &DirectoryList::openItem);
}

bool DirectoryList::setPath(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir() || !info.isReadable())
        return false;
    QDir dir(info.absoluteFilePath());
    if (!dir.isReadable())
        return false;
    const QString previous = m_path;
    m_path = QDir::cleanPath(dir.absolutePath());
    if (!refresh()) {
        m_path = previous;
        return false;
    }
    return true;
}

bool DirectoryList::refresh()
{
    const QDir dir(m_path);
    if (m_path.isEmpty() || !dir.exists() || !dir.isReadable())
        return false;

    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QStringList chain = ancestorsAndSelf(m_path);
    for (int depth = 0; depth < chain.size(); ++depth) {
        const QString name = depth == 0 ? QDir::toNativeSeparators(chain[depth]) : QFileInfo(chain[depth]).fileName();
        auto *item = new QListWidgetItem(open, entryText(name, depth), this);
        item->setData(kPathRole, chain[depth]);
    }
    QListWidgetItem *current = item(count() - 1);

    const QStringList children =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString &child : children) {
        auto *item = new QListWidgetItem(closed, entryText(child, static_cast<int>(chain.size())), this);
        item->setData(kPathRole, dir.filePath(child));
    }
    setCurrentItem(current);
    return true;
}

void DirectoryList::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        openItem(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}

void DirectoryList::openItem(QListWidgetItem *item)
{
    if (item)
        setPath(item->data(kPathRole).toString());
}

} // namespace hy3::ui
