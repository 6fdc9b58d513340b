// SPDX-License-Identifier: MIT
#include "batch.h"

#include "dataerror.h"
#include "filesystem.h"

#include <exception>
#include <new>

using namespace Qt::StringLiterals;

namespace hy3 {

namespace {

QString failureOf(const QString &fileName)
{
    try {
        throw;
    } catch (const DataError &error) {
        return error.message();
    } catch (const std::bad_alloc &) {
        return u"「%1」: 変換できませんでした（%2）"_s.arg(fs::shown(fileName), causeText(Cause::OutOfMemory));
    } catch (const std::exception &error) {
        return u"「%1」: 変換できませんでした（%2）"_s.arg(fs::shown(fileName), QString::fromLocal8Bit(error.what()));
    }
}

void addLateFailures(BatchSummary &summary, const QList<BatchRow> &rows, const QList<BatchFailure> &late)
{
    if (late.isEmpty())
        return;
    summary.converted -= static_cast<int>(late.size());
    summary.failures += late;
    const auto position = [&rows](const BatchFailure &failure) {
        return std::find_if(rows.cbegin(), rows.cend(),
                            [&failure](const BatchRow &row) { return row.fileName == failure.fileName; })
            - rows.cbegin();
    };
    std::stable_sort(summary.failures.begin(), summary.failures.end(),
                     [&](const BatchFailure &a, const BatchFailure &b) { return position(a) < position(b); });
}

} // namespace

float progressValue(int done, int selected)
{
    return static_cast<float>(static_cast<double>(done) / static_cast<double>(selected) * 100.0);
}

BatchSummary runBatch(const QList<BatchRow> &rows, DataKind kind, const ConvertOne &convert,
                      const ShowProgress &progress, const FinishBatch &finish)
{
    BatchSummary summary;
    progress(0.0f);
    if (rows.isEmpty())
        return summary;

    summary.selected = static_cast<int>(std::count_if(rows.cbegin(), rows.cend(), [](const BatchRow &row) { return row.selected; }));
    if (summary.selected == 0) {
        summary.outcome = BatchSummary::Outcome::NoSelection;
        return summary;
    }

    summary.outcome = BatchSummary::Outcome::Ran;
    int done = 0;
    for (const BatchRow &row : rows) {
        if (!row.selected)
            continue;
        try {
            convert(kind, row.fileName);
            ++summary.converted;
        } catch (...) {
            summary.failures.append({row.fileName, failureOf(row.fileName)});
        }
        progress(progressValue(++done, summary.selected));
    }
    if (finish)
        addLateFailures(summary, rows, finish());
    return summary;
}

} // namespace hy3
