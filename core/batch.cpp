#include "batch.h"

#include "dataerror.h"
#include "folderpath.h"

#include <QHash>

#include <exception>

using namespace Qt::StringLiterals;

namespace hy3 {

namespace {

int countSelected(const BatchTarget &target)
{
    int selected = 0;
    const int rows = target.rowCount();
    for (int row = 1; row <= rows; ++row) {
        if (target.isRowSelected(row))
            ++selected;
    }
    return selected;
}

// The .hy3 name a row writes, or an empty string when it has none (the
// conversion itself then reports the bad name).
QString destinationKey(const QString &oldName)
{
    return oldName.size() < 4 ? QString() : DestinationFileName(oldName);
}

QString convertOne(BatchTarget &target, const QString &oldName)
{
    try {
        target.convert(target.chosenKind(), oldName);
        return {};
    } catch (const DataError &error) {
        return error.message();
    } catch (const std::exception &error) {
        return u"「%1」: 変換できませんでした（%2）"_s.arg(oldName, QString::fromLocal8Bit(error.what()));
    }
}

} // namespace

float ProgressValue(int done, int selected)
{
    return static_cast<float>(static_cast<double>(done) / static_cast<double>(selected) * 100.0);
}

BatchSummary RunBatch(BatchTarget &target)
{
    BatchSummary summary;
    target.showProgress(0.0f);
    if (target.rowCount() == 0)
        return summary;

    summary.selected = countSelected(target);
    if (summary.selected == 0) {
        summary.outcome = BatchSummary::Outcome::NoSelection;
        target.reportNoSelection();
        return summary;
    }

    summary.outcome = BatchSummary::Outcome::Ran;
    QHash<QString, QString> writtenBy; // .hy3 name -> the row that wrote it
    int done = 0;
    const int rows = target.rowCount();
    for (int row = 1; row <= rows; ++row) {
        if (!target.isRowSelected(row))
            continue;
        const QString oldName = target.rowText(row);
        const QString key = destinationKey(oldName);
        QString error;
        if (const auto earlier = writtenBy.constFind(key); !key.isEmpty() && earlier != writtenBy.cend()) {
            error = u"「%1」: 変換先「%2」は同じ一括変換で「%3」から作成済みのため、変換しませんでした"_s
                        .arg(oldName, key, earlier.value());
        } else {
            error = convertOne(target, oldName);
            if (error.isEmpty() && !key.isEmpty())
                writtenBy.insert(key, oldName);
        }
        if (error.isEmpty())
            ++summary.converted;
        else
            summary.failures.append({oldName, error});
        target.fileFinished(oldName, error);
        target.showProgress(ProgressValue(++done, summary.selected));
    }
    return summary;
}

} // namespace hy3
