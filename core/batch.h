// SPDX-License-Identifier: MIT
#pragma once

#include "datafile.h"

#include <QList>
#include <QString>

#include <functional>

namespace hy3 {

// One row of the file list, in list order.
struct BatchRow
{
    QString fileName; // the file's real name, as the conversion opens it
    bool selected = false;
};

struct BatchFailure
{
    QString fileName;
    QString message;

    friend bool operator==(const BatchFailure &, const BatchFailure &) = default;
};

struct BatchSummary
{
    enum class Outcome { EmptyList, NoSelection, Ran };

    Outcome outcome = Outcome::EmptyList;
    int selected = 0;
    int converted = 0;
    QList<BatchFailure> failures; // in list order
};

// Converts one file; throws (DataError or anything else) on failure.
using ConvertOne = std::function<void(DataKind kind, const QString &fileName)>;
// The bar's value, 0..100 with fractions.
using ShowProgress = std::function<void(float value)>;
// After the last file: the files that failed only then (outputs committed in
// groups fail when their group is made durable).
using FinishBatch = std::function<QList<BatchFailure>()>;

// done / selected * 100, worked out in double and kept as float.
[[nodiscard]] float progressValue(int done, int selected);

// Converts every selected row in list order with `convert`. The bar starts at
// 0 and moves after each file, failed or not, so it ends at 100. A failing
// file is recorded and the batch goes on. An empty list and a list without a
// selection convert nothing and say so in the outcome.
[[nodiscard]] BatchSummary runBatch(const QList<BatchRow> &rows, DataKind kind, const ConvertOne &convert,
                                    const ShowProgress &progress, const FinishBatch &finish = {});

} // namespace hy3
