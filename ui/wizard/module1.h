// SPDX-License-Identifier: MIT
#pragma once

#include "datafile.h"
#include "listing.h"

#include <QString>

class QWidget;

namespace hy3 {
class DetailRowTarget;
}

namespace hy3::ui {

class FileListView;

// The listing procedures of the wizard.
namespace Module1 {

// The folder and the five-column list of the finishing step. Nothing in the
// program sets them, so the finishing step walks the root folder and stops at
// the first file with records without touching it.
extern QString DetailFolder;
extern DetailRowTarget *DetailList;

// Hides and empties the file list, fills it with the data files of `kind` in
// the folder, and shows it again. Nothing found or a file that can't be read:
// a message over `parent`. The caller brings the settings page back unless
// the outcome is Found.
ListingResult::Outcome ListOldDataFiles(FileListView &list, DataKind kind, const QString &folder, QWidget *parent);

// The finishing step's detailed listing of DetailFolder into DetailList.
// Throws DataError for a file it can't read.
void ListHyoFilesWithDetails();

} // namespace Module1

} // namespace hy3::ui
