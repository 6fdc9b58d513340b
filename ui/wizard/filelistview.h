// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QTreeWidget>

namespace hy3::ui {

// The file list: one row per data file, columns "ファイル名", "内容" and
// "データ行数"; several rows can be selected and none edited. Each row keeps
// the file's real name beside the text it shows (a name that is not UTF-8 is
// shown decoded as cp932). Rows compare naturally: letter case ignored,
// numbers by value.
class FileListView : public QTreeWidget
{
    Q_OBJECT

public:
    explicit FileListView(QWidget *parent = nullptr);

    // `fileName` is the real name (see filesystem.h).
    void addRow(const QString &fileName, const QByteArray &firstName, int recordCount);
    // The real name of a row, 1-based in the current order.
    [[nodiscard]] QString fileNameAt(int index) const;

    // Sorts by a column (0-based) and keeps the list sorted that way, also
    // when it is filled again; shows the header's sort indicator.
    void sortRows(int column, Qt::SortOrder order);

    // Rows in their current order, 1-based as the driver counts them.
    [[nodiscard]] QTreeWidgetItem *row(int index) const { return topLevelItem(index - 1); }
    [[nodiscard]] int rowCount() const { return topLevelItemCount(); }

    // Applies the sort in force after rows were added.
    void resort();

signals:
    // A click on a column header, by its 1-based position.
    void columnClicked(int column);

private:
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

} // namespace hy3::ui
