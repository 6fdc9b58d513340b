// SPDX-License-Identifier: MIT
#pragma once

#include "files/foldercache.h"
#include "files/folderpath.h"
#include "format/convert.h"

#include <algorithm>
#include <chrono>

namespace hy3 {

// One old file to convert into one .hy3 file.
struct Job
{
    fs::FilePath source;
    fs::FilePath destination;
    DataKind kind = DataKind::Standard;
};

struct EngineSettings
{
    ColumnOptions columns;
    bool overwrite = true; // false: an existing output is kept (Kept)
    bool dryRun = false;   // read and check everything, write nothing
    MakeFolders makeFolders = MakeFolders::None;
    // A group is committed when it holds this many files or has been open this
    // long. Its files stay open until then: a quarter of the open-file limit at most.
    int groupFiles = std::clamp(fs::sys::openFileLimit() / 4, 1, 256);
    std::chrono::milliseconds groupTime{200};
};

} // namespace hy3
