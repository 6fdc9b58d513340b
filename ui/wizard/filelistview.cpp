// SPDX-License-Identifier: MIT
#include "filelistview.h"

#include "text/cp932.h"
#include "files/paths.h"
#include "listing/naturalorder.h"

#include <QHeaderView>

using namespace Qt::StringLiterals;

namespace hy3::ui {

namespace {

constexpr int kFileNameRole = Qt::UserRole;

class FileListItem : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;

    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const int order = naturalCompare(text(column), other.text(column));
        if (order != 0)
            return order < 0;
        return naturalLess(text(0), other.text(0)); // equal keys: by file name
    }
};

} // namespace

FileListView::FileListView(QWidget *parent)
    : QTreeWidget(parent)
{
    setColumnCount(3);
    setHeaderLabels({u"ファイル名"_s, u"内容"_s, u"データ行数"_s});
    headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    setColumnWidth(0, 120);
    setColumnWidth(1, 267);
    setColumnWidth(2, 96);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false); // sorted only on request, by the header handler
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    header()->setSortIndicatorShown(false);
    connect(header(), &QHeaderView::sectionClicked, this, [this](int section) { emit columnClicked(section + 1); });
}

void FileListView::addRow(const QString &fileName, const QByteArray &firstName, int recordCount)
{
    auto *item = new FileListItem(this);
    item->setText(0, fs::shown(fileName));
    item->setData(0, kFileNameRole, fileName);
    item->setText(1, decodeCp932(firstName));
    item->setText(2, QString::number(recordCount));
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    // The columns are narrow; the whole name is a hover away.
    item->setToolTip(0, item->text(0));
    item->setToolTip(1, item->text(1));
}

QString FileListView::fileNameAt(int index) const
{
    const QTreeWidgetItem *item = row(index);
    return item ? item->data(0, kFileNameRole).toString() : QString();
}

void FileListView::sortRows(int column, Qt::SortOrder order)
{
    m_sortOrder = order;
    m_sortColumn = column;
    header()->setSortIndicatorShown(true);
    sortItems(column, order);
}

void FileListView::resort()
{
    if (m_sortColumn >= 0)
        sortItems(m_sortColumn, m_sortOrder);
}

} // namespace hy3::ui
