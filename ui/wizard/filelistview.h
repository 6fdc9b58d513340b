#pragma once

#include <QByteArray>
#include <QTreeWidget>

namespace hy3::ui {

// The file list: one row per data file, columns "ファイル名", "内容" and
// "データ行数"; several rows can be selected; the row text is the file name the
// conversion uses, so it can't be edited. Rows compare naturally: letter case
// ignored, numbers by value.
class FileListView : public QTreeWidget
{
    Q_OBJECT

public:
    explicit FileListView(QWidget *parent = nullptr);

    void addRow(const QString &fileName, const QByteArray &firstName, int recordCount);

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
