// SPDX-License-Identifier: MIT
#pragma once

#include "files/foldercache.h"
#include "files/folderpath.h"
#include "format/convert.h"

#include <algorithm>
#include <chrono>
#include <optional>

namespace hy3 {

// One old file to convert into one .hy3 file.
struct Job
{
    fs::FilePath source;
    fs::FilePath destination;
    DataKind kind = DataKind::Standard;
};

// Whether and where an earlier output is kept before it is replaced (an
// identical one is left alone and needs no copy).
struct BackupPolicy
{
    // GNU cp's --backup: none; NAME + suffix; NAME.~N~ after the highest N
    // there; numbered where numbered copies of that name exist, else simple.
    enum class Naming : std::uint8_t { None, Simple, Numbered, Existing };

    Naming naming = Naming::None;
    QString suffix = QStringLiteral("~");
    // Set: the copies go below this folder under the output's own name, in
    // folders that repeat the output folder's whole path (so that two outputs
    // of one name in two folders never meet); otherwise beside the output.
    std::optional<fs::FolderPath> folder;

    [[nodiscard]] bool keeps() const { return naming != Naming::None; }
};

struct EngineSettings
{
    ColumnOptions columns;
    BackupPolicy backup;
    bool overwrite = true; // false: an existing output is kept (Kept)
    bool dryRun = false;   // read and check everything, write nothing
    MakeFolders makeFolders = MakeFolders::None;
    // A group is committed when it holds this many files or has been open this
    // long. Its files stay open until then: a quarter of the open-file limit at most.
    int groupFiles = std::clamp(fs::sys::openFileLimit() / 4, 1, 256);
    std::chrono::milliseconds groupTime{200};
};

} // namespace hy3
