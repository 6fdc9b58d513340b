// SPDX-License-Identifier: MIT
#include "listing/listing.h"

#include "format/dataerror.h"
#include "format/datafile.h"
#include "listing/foldersearch.h"
#include "files/paths.h"

namespace hy3 {

namespace {

ListingResult failed(ListingResult result, const Failure &failure, const QString &path)
{
    result.outcome = ListingResult::Outcome::Failed;
    result.failure = failure;
    result.failedPath = path;
    return result;
}

} // namespace

int listingErrorNumber(Cause cause)
{
    switch (cause) {
    case Cause::NotFound:
        return ListingCannotOpen;
    case Cause::NegativeCount:
    case Cause::NotRegularFile:
        return ListingNegativeCount;
    case Cause::IoError:
        return ListingReadFailed;
    case Cause::Truncated:
        return ListingTruncated;
    case Cause::TooManyOpenFiles:
        return ListingTooManyFiles;
    case Cause::NoPermission:
        return ListingNoPermission;
    case Cause::OutOfMemory:
        return ListingOutOfMemory;
    default:
        return ListingAccessError;
    }
}

ListingResult listDataFiles(const QString &folderText, DataKind kind)
{
    const QString folder = fs::withSeparator(folderText);
    FolderSearch search = searchFolder(folder, searchPattern(kind));
    ListingResult result;
    if (search.error) {
        if (fs::hasLostCharacters(folder))
            return failed(result, {Cause::InvalidName, Action::OpenFolder}, folder);
        if (search.error.cause == Cause::NotFound || search.error.cause == Cause::NotAFolder)
            return result; // not there: the not-found message
        return failed(result, search.error.during(Action::OpenFolder), folder);
    }
    if (search.files.empty())
        return result;

    result.outcome = ListingResult::Outcome::Found;
    for (const QStringView found : search.files) {
        const QString name = found.toString();
        try {
            DataFileReader reader(search.folder, name, DataFileReader::Reading::HeaderOnly);
            if (reader.count() > 0)
                result.rows.append({name, reader.firstName(), reader.count()});
        } catch (const DataError &error) {
            return failed(std::move(result), error.failure(), folder + name);
        } catch (const std::bad_alloc &) {
            return failed(std::move(result), {Cause::OutOfMemory, Action::ReadHeader}, folder + name);
        }
    }
    return result;
}

} // namespace hy3
