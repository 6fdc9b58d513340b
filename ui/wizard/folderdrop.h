// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QLineEdit;

namespace hy3::ui {

// The folder a command-line argument stands for, as the program is opened
// with a folder (from Explorer's context menu, a file manager's "open with",
// an icon a folder is dropped on): a path or a file:// URL; a file gives the
// folder that holds it; anything else is taken as typed, there or not.
[[nodiscard]] QString folderFromArgument(const QString &argument);

// Lets a folder dragged from the file manager be dropped onto the field: the
// field gets the folder's path (a dropped file gives its folder), as if typed.
void acceptFolderDrops(QLineEdit *field);

} // namespace hy3::ui
