#pragma once

#include <QString>

namespace hy3 {
class DetailRowTarget;
}

namespace hy3::ui {

class frmDatInstDig;

// The listing procedures that work on the wizard's controls.
namespace Module1 {

inline constexpr char16_t kNotFoundTitle[] = u"ファイルが見つかりません";

// The folder and the five-column list of the finishing step. Nothing in the
// program sets them, so the finishing step walks the root folder and stops at
// the first file with records without touching it.
extern QString DetailFolder;
extern DetailRowTarget *DetailList;

// Hides and empties the window's file list, fills it with the data files of
// the chosen kind in the folder, and shows it again. Nothing found or a file
// that can't be read: a message, and the settings page comes back.
void ListOldDataFiles(frmDatInstDig &window, const QString &folder);

// The finishing step's detailed listing of DetailFolder into DetailList.
// Throws DataError for a file it can't read.
void ListHyoFilesWithDetails();

} // namespace Module1

} // namespace hy3::ui
