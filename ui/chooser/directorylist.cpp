// SPDX-License-Identifier: MIT
#include "directorylist.h"

#include "detached.h"
#include "drives.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>
#include <QTimer>

#include <optional>

using namespace Qt::StringLiterals;

namespace hy3::ui {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kIndent = 16; // pixels per level, as a folder tree is drawn

// Shifts each entry right by its depth; the text itself stays the name.
class IndentDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem shifted = option;
        shifted.rect.setLeft(option.rect.left() + indent(index));
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(index), 0);
    }

private:
    static int indent(const QModelIndex &index) { return index.data(DirectoryList::kDepthRole).toInt() * kIndent; }
};

// Our own folder pictures, drawn at 16 and 32 pixels: a closed folder, and an
// open one whose front flap falls forward, lighter, over a dark inside.
QIcon folderIcon(bool open)
{
    QIcon icon;
    for (const int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        const QPen outline(QColor(0x7A, 0x5B, 0x0E), 0.8);
        painter.setPen(outline);
        QPainterPath back;
        back.moveTo(1.5, 3.5);
        back.lineTo(6.0, 3.5);
        back.lineTo(7.5, 5.0);
        back.lineTo(14.5, 5.0);
        back.lineTo(14.5, 13.5);
        back.lineTo(1.5, 13.5);
        back.closeSubpath();
        if (!open) {
            painter.setBrush(QColor(0xF0, 0xC0, 0x3A));
            painter.drawPath(back);
            painter.drawLine(QPointF(1.5, 6.5), QPointF(14.5, 6.5));
        } else {
            painter.setBrush(QColor(0x9C, 0x74, 0x14)); // the inside, in shadow
            painter.drawPath(back);
            painter.setBrush(QColor(0xFF, 0xFF, 0xFF)); // a sheet standing in it
            painter.drawRect(QRectF(4.0, 4.5, 8.0, 5.0));
            QPainterPath flap;
            flap.moveTo(3.5, 8.0);
            flap.lineTo(15.5, 8.0);
            flap.lineTo(13.0, 14.5);
            flap.lineTo(1.0, 14.5);
            flap.closeSubpath();
            painter.setBrush(QColor(0xFF, 0xDF, 0x70));
            painter.drawPath(flap);
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// How long a folder may take to answer before it counts as one that can't be read.
constexpr int kPatienceMs = 2000;

// The sub-folders of a folder, or nothing when it can't be read.
std::optional<QStringList> subfolders(const QString &path)
{
    const QDir dir(path);
    if (!dir.exists() || !dir.isReadable())
        return std::nullopt;
    return dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
}

} // namespace

DirectoryList::DirectoryList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setIconSize(QSize(16, 16));
    setItemDelegate(new IndentDelegate(this));
    connect(this, &QListWidget::itemDoubleClicked, this, &DirectoryList::openItem);
}

void DirectoryList::setPath(const QString &path)
{
    if (path.isEmpty()) {
        emit pathFailed(path);
        return;
    }
    read(path, QDir::cleanPath(QDir::fromNativeSeparators(path)));
}

void DirectoryList::refresh()
{
    if (!m_path.isEmpty())
        read(m_path, m_path);
}

void DirectoryList::read(const QString &asked, const QString &path)
{
    const quint64 reading = ++m_reading;
    m_waiting = true;
    runDetached<std::optional<QStringList>>(
        this, [path] { return subfolders(path); },
        [this, reading, asked, path](const std::optional<QStringList> &children) {
            if (reading != m_reading || !m_waiting)
                return;
            m_waiting = false;
            if (!children) {
                emit pathFailed(asked);
                return;
            }
            const bool moved = path != m_path;
            m_path = path;
            show(*children);
            if (moved)
                emit pathChanged(m_path);
        });
    QTimer::singleShot(kPatienceMs, this, [this, reading, asked] {
        if (reading != m_reading || !m_waiting)
            return;
        m_waiting = false; // its answer, if it ever comes, no longer counts
        emit pathFailed(asked);
    });
}

void DirectoryList::show(const QStringList &children)
{
    clear();
    static const QIcon open = folderIcon(true);
    static const QIcon closed = folderIcon(false);
    const QStringList chain = ancestorsAndSelf(m_path);
    const auto add = [this](const QIcon &icon, const QString &name, const QString &path, int depth, bool isOpen) {
        auto *item = new QListWidgetItem(icon, name, this);
        item->setData(kPathRole, path);
        item->setData(kDepthRole, depth);
        item->setData(kOpenRole, isOpen);
        item->setToolTip(QDir::toNativeSeparators(path));
    };
    for (int depth = 0; depth < chain.size(); ++depth) {
        const QString name = depth == 0 ? QDir::toNativeSeparators(chain[depth]) : chain[depth].section(u'/', -1);
        add(open, name, chain[depth], depth, true);
    }
    const QString base = m_path.endsWith(u'/') ? m_path : m_path + u'/';
    for (const QString &child : children)
        add(closed, child, base + child, static_cast<int>(chain.size()), false);
    highlightOpenFolder();
}

void DirectoryList::highlightOpenFolder()
{
    for (int i = count() - 1; i >= 0; --i) {
        if (item(i)->data(kOpenRole).toBool()) {
            setCurrentItem(item(i));
            scrollToItem(item(i));
            return;
        }
    }
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
