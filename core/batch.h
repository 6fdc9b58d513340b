#pragma once

#include "convert.h"

#include <QList>
#include <QString>

namespace hy3 {

inline constexpr char16_t kNoSelectionPrompt[] = u"項目が１つも選択されていません！";
inline constexpr char16_t kNoSelectionTitle[] = u"項目の未選択を検知！";

// What the batch driver needs of the window: the list, the kind, the two
// conversions and the bar. Rows are numbered from 1 in the list's current order.
class BatchTarget
{
public:
    virtual ~BatchTarget() = default;

    [[nodiscard]] virtual int rowCount() const = 0;
    [[nodiscard]] virtual QString rowText(int row) const = 0;
    [[nodiscard]] virtual bool isRowSelected(int row) const = 0;
    [[nodiscard]] virtual DataKind chosenKind() const = 0;

    // Converts one file; throws DataError (or anything else) on failure.
    virtual void convert(DataKind kind, const QString &oldName) = 0;
    virtual void showProgress(float value) = 0;
    virtual void reportNoSelection() = 0;
    // After each selected row; an empty error means it was converted.
    virtual void fileFinished(const QString & /*oldName*/, const QString & /*error*/) {}
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
    QList<BatchFailure> failures;
};

// done / selected * 100, worked out in double and kept as float.
[[nodiscard]] float ProgressValue(int done, int selected);

// Converts every selected row in list order. The bar starts at 0 and moves after
// each file, failed or not, so it ends at 100. A failing file is recorded and
// the batch goes on. A second row that would write the same .hy3 file as an
// earlier one of this batch is not converted and is reported as failed.
BatchSummary RunBatch(BatchTarget &target);

} // namespace hy3
