// SPDX-License-Identifier: MIT
#include "module1.h"

#include "appearance.h"
#include "detaillisting.h"
#include "filelistview.h"
#include "messages.h"
#include "wizardtexts.h"

using namespace Qt::StringLiterals;

namespace hy3::ui::Module1 {

QString DetailFolder;
DetailRowTarget *DetailList = nullptr;

ListingResult::Outcome ListOldDataFiles(FileListView &list, DataKind kind, const QString &folder, QWidget *parent)
{
    list.setVisible(false);
    list.clear();

    const ListingResult result = listDataFiles(folder, kind);
    if (result.outcome == ListingResult::Outcome::NotFound) {
        showMessage(parent, {QString::fromUtf16(kNotFoundPrompt), QString::fromUtf16(kNotFoundTitle),
                             QMessageBox::Critical});
        list.setVisible(true);
        return result.outcome;
    }

    for (const ListingRow &row : result.rows)
        list.addRow(row.fileName, row.firstName, row.recordCount);
    list.resort();

    if (result.outcome == ListingResult::Outcome::Failed)
        showMessage(parent, {u"%1:%2"_s.arg(result.errorNumber).arg(result.errorDescription),
                             QString::fromUtf16(kApplicationTitle), QMessageBox::NoIcon});
    list.setVisible(true);
    return result.outcome;
}

void ListHyoFilesWithDetails()
{
    hy3::ListHyoFilesWithDetails(DetailFolder, DetailList);
}

} // namespace hy3::ui::Module1
