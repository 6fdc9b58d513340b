// SPDX-License-Identifier: MIT
#pragma once

#include "engine/outcome.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

namespace hy3 {

// A batch's record that outlives it, as a CSV file Excel opens as it is:
// UTF-8 with a byte-order mark (without one, Japanese Excel reads it as
// Shift-JIS), CRLF line ends, one header row, then one row per file the batch
// looked at: source, output, result, cause (the words the window and hy3conv
// show), record count, and where the earlier output was kept. Paths are
// shown as the user sees them; a cell that Excel would take for a formula
// (=, +, -, @) is written as text.
class CsvReport
{
public:
    using Output = std::function<void(QByteArrayView bytes)>;

    // Writes the byte-order mark and the header row.
    CsvReport(Output out, bool dryRun = false);

    void add(const Outcome &outcome);
    // A file or folder that could not be looked at (a walk's failure).
    void addProblem(const QString &path, const Failure &failure);

    // One cell, quoted and guarded as the rows are.
    [[nodiscard]] static QString cell(const QString &text);

private:
    void row(const QStringList &cells);

    Output m_out;
    bool m_dryRun;
};

} // namespace hy3
