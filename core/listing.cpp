// SPDX-License-Identifier: MIT
#include "listing.h"

#include "dataerror.h"
#include "filesystem.h"
#include "folderpath.h"
#include "foldersearch.h"

using namespace Qt::StringLiterals;

namespace hy3 {

namespace {

ListingResult failed(ListingResult result, Cause cause, const QString &description)
{
    result.outcome = ListingResult::Outcome::Failed;
    result.errorNumber = listingErrorNumber(cause);
    result.errorDescription = description;
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

QString searchPattern(DataKind kind)
{
    return kind == DataKind::Standard ? u"*.hyo"_s : u"*.hyp"_s;
}

ListingResult listDataFiles(const QString &folderText, DataKind kind)
{
    const QString folder = folderWithSeparator(folderText);
    FolderSearch search = searchFolder(folder, searchPattern(kind));
    ListingResult result;
    if (search.error) {
        const QString sentence = u"フォルダー「%1」を開けません（%2）"_s;
        if (fs::hasLostCharacters(folder))
            return failed(result, Cause::InvalidName,
                          sentence.arg(fs::shown(folder), u"名前に読み取れない文字（\uFFFD）があります"_s));
        if (search.error.cause == Cause::NotFound || search.error.cause == Cause::NotAFolder)
            return result; // not there: the not-found message
        return failed(result, search.error.cause, fs::failure(search.error, sentence, folder).message());
    }
    if (search.files.empty())
        return result;

    result.outcome = ListingResult::Outcome::Found;
    for (const FoundFile &file : search.files) {
        try {
            DataFileReader reader(search.folder, file.name, folder + file.name, DataFileReader::Reading::HeaderOnly,
                                  true);
            if (reader.count() > 0)
                result.rows.append({file.name, reader.firstName(), reader.count()});
        } catch (const DataError &error) {
            return failed(std::move(result), error.cause(), error.message());
        } catch (const std::bad_alloc &) {
            return failed(std::move(result), Cause::OutOfMemory, causeText(Cause::OutOfMemory));
        }
    }
    return result;
}

} // namespace hy3
