// SPDX-License-Identifier: MIT
#pragma once

// The one place where the converter's failures and outcomes become words, for
// the window and for hy3conv alike. The Japanese texts are the source strings
// of Qt's tr(), so a translation could word them otherwise.

#include "cause.h"
#include "engine/drive.h"
#include "engine/outcome.h"

#include <QCoreApplication>
#include <QString>

namespace hy3 {

struct ListingResult;

class Messages
{
    Q_DECLARE_TR_FUNCTIONS(Messages)

public:
    // The cause as a short phrase for the parentheses of a sentence:
    // 「x.hy3」に書き込めません（容量不足です。空き容量がありません）.
    [[nodiscard]] static QString cause(const Failure &failure);

    // A whole sentence that names the file and says what failed and why; the
    // path is the one the failure is about (see failureOf for an outcome).
    [[nodiscard]] static QString failure(const QString &path, const Failure &failure);
    // The sentence of an outcome that failed or was not run: it names the
    // source or the destination as the failure is about either.
    [[nodiscard]] static QString failureOf(const Outcome &outcome);

    // The listing's message box: its number, ":" and the sentence.
    [[nodiscard]] static QString listingFailure(const ListingResult &result);

    [[nodiscard]] static QString notFound();
    // Files a listing passed over for being hidden.
    [[nodiscard]] static QString hiddenFilesLeftOut(int count);
    // The destination folder of a batch is not there.
    [[nodiscard]] static QString destinationMissing(const QString &folder);
    [[nodiscard]] static QString folderNotFoundTitle();
    // A run's report file that can't be written.
    [[nodiscard]] static QString reportUnwritable(const QString &path, const Failure &failure);
    [[nodiscard]] static QString notFoundTitle();

    // What the window says when a batch has failed files or was stopped.
    [[nodiscard]] static QString batchTitle(bool stopped);
    [[nodiscard]] static QString batchSummary(int selected, int converted, int failed, int notRun);
    [[nodiscard]] static QString moreFailures(int count);
    // What a batch did, in numbers, for the last page.
    [[nodiscard]] static QString batchCounts(const Tally &tally);

    // hy3conv's line for a file that did not fail.
    [[nodiscard]] static QString outcomeLine(const Outcome &outcome, bool dryRun, bool withCount);
    [[nodiscard]] static QString stopped(int converted, int notRun);
    // How the converted files were made sure to be on the disk (--verbose).
    [[nodiscard]] static QString flushes(int byFileSystem, int batched, int onTheirOwn);
};

// A stable English word for the cause, for machine-readable output.
[[nodiscard]] QString causeId(Cause cause);

} // namespace hy3
