// SPDX-License-Identifier: MIT
#pragma once

#include "engine/drive.h"
#include "engine/outcome.h"
#include "format/convert.h"
#include "format/outputname.h"

#include <QList>
#include <QString>

#include <atomic>
#include <functional>

namespace hy3 {

// One row of the file list, in list order.
struct BatchRow
{
    QString fileName; // the file's real name, as the conversion opens it
    bool selected = false;
};

// What the window hands the batch: plain values read from its controls.
struct BatchRequest
{
    QList<BatchRow> rows;
    DataKind kind = DataKind::Standard;
    QString sourceFolder;
    QString destinationFolder;
    ColumnOptions columns;
    BackupPolicy backup; // where earlier outputs are kept before they are replaced
};

struct BatchSummary
{
    enum class Result { EmptyList, NoSelection, DestinationMissing, Ran, Stopped };

    Result result = Result::EmptyList;
    int selected = 0;
    Tally tally;
    QList<Outcome> failures; // the first ones, in list order
};

struct BatchCallbacks
{
    // Before a file is opened: which one the batch works on now.
    std::function<void(const ConversionPaths &paths)> starting;
    // After each file, failed or not: done / selected * 100.
    std::function<void(float value)> progress;
    // Read between files: once set, the group being written is committed and
    // the remaining files are not run.
    const std::atomic<bool> *stop = nullptr;
    // Each file's outcome, in list order.
    std::function<void(const Outcome &outcome)> outcome;
};

// done / selected * 100, worked out in double and kept as float.
[[nodiscard]] float progressValue(int done, int selected);

// Converts every selected row in list order. The bar starts at 0 and moves
// after each file, failed or not. A failing file is recorded and the batch
// goes on. An empty list, a list without a selection and a destination folder
// that is not there convert nothing and say so in the result.
[[nodiscard]] BatchSummary runBatch(const BatchRequest &request, const BatchCallbacks &callbacks);

} // namespace hy3
