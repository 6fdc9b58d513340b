// SPDX-License-Identifier: MIT
#pragma once

#include "listing/detaillisting.h"
#include "listing/listing.h"

#include <QString>

#include <optional>

class QWidget;

namespace hy3::ui {

class FileListView;

// The listing procedures of the wizard.
namespace Module1 {

// The listing's first step: the file list hidden and emptied while the folder is read.
void beginListing(FileListView &list);

// Fills the file list with what the listing of a folder found, and shows it
// again. Nothing found or a file that can't be read: a message over `parent`.
// The caller brings the settings page back unless the outcome is Found.
ListingResult::Outcome ListOldDataFiles(FileListView &list, const ListingResult &result, QWidget *parent);

// The finishing step's detailed listing of a folder into a list of five
// columns. 「完了」 binds neither (an empty folder: the root), so it stops at
// the first file with records without touching it.
[[nodiscard]] std::optional<DetailFailure> ListHyoFilesWithDetails(const QString &folder, DetailRowTarget *list);

} // namespace Module1

} // namespace hy3::ui
