#include "module1.h"

#include "appearance.h"
#include "detaillisting.h"
#include "filelistview.h"
#include "frmdatinstdig.h"
#include "listing.h"
#include "messages.h"

using namespace Qt::StringLiterals;

namespace hy3::ui::Module1 {

QString DetailFolder;
DetailRowTarget *DetailList = nullptr;

void ListOldDataFiles(frmDatInstDig &window, const QString &folder)
{
    FileListView *list = window.ListView1;
    list->setVisible(false);
    list->clear();

    const ListingResult result = ListDataFiles(folder, window.chosenKind());
    if (result.outcome == ListingResult::Outcome::NotFound) {
        ShowMessage(&window, {QString::fromUtf16(kNotFoundPrompt), QString::fromUtf16(kNotFoundTitle),
                              QMessageBox::Critical});
        list->setVisible(true);
        window.ShowPage(0);
        return;
    }

    for (const ListingRow &row : result.rows)
        list->addRow(row.fileName, row.firstName, row.recordCount);
    list->resort();

    if (result.outcome == ListingResult::Outcome::Failed) {
        ShowMessage(&window, {u"%1:%2"_s.arg(result.errorNumber).arg(result.errorDescription),
                              QString::fromUtf16(kApplicationTitle), QMessageBox::NoIcon});
        list->setVisible(true);
        window.ShowPage(0);
        return;
    }
    list->setVisible(true);
}

void ListHyoFilesWithDetails()
{
    hy3::ListHyoFilesWithDetails(DetailFolder, DetailList);
}

} // namespace hy3::ui::Module1
