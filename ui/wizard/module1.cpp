// SPDX-License-Identifier: MIT
#include "module1.h"

#include "appearance.h"
#include "filelistview.h"
#include "messagebox.h"
#include "messages.h"

namespace hy3::ui::Module1 {

void beginListing(FileListView &list)
{
    list.setVisible(false);
    list.clear();
}

ListingResult::Outcome ListOldDataFiles(FileListView &list, const ListingResult &result, QWidget *parent)
{
    if (result.outcome == ListingResult::Outcome::NotFound) {
        showMessage(parent, {Messages::notFound(), Messages::notFoundTitle(), QMessageBox::Critical});
        list.setVisible(true);
        return result.outcome;
    }

    for (const ListingRow &row : result.rows)
        list.addRow(row.fileName, row.firstName, row.recordCount);
    list.resort();

    if (result.outcome == ListingResult::Outcome::Failed)
        showMessage(parent, {Messages::listingFailure(result), QString::fromUtf16(kApplicationTitle), QMessageBox::NoIcon});
    list.setVisible(true);
    return result.outcome;
}

std::optional<DetailFailure> ListHyoFilesWithDetails(const QString &folder, DetailRowTarget *list)
{
    return hy3::ListHyoFilesWithDetails(folder, list);
}

} // namespace hy3::ui::Module1
