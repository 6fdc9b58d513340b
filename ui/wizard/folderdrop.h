// SPDX-License-Identifier: MIT
#pragma once

class QLineEdit;

namespace hy3::ui {

// Lets a folder dragged from the file manager be dropped onto the field: the
// field gets the folder's path (a dropped file gives its folder), as if typed.
void acceptFolderDrops(QLineEdit *field);

} // namespace hy3::ui
