// SPDX-License-Identifier: MIT
#include "commands.h"

#include "text/cp932.h"
#include "format/dataerror.h"
#include "format/datafile.h"
#include "jsonwriter.h"
#include "listheaders.h"
#include "messages.h"
#include "listing/parallel.h"
#include "files/paths.h"
#include "sourcelist.h"
#include "sources.h"

#include <QJsonArray>

#include <deque>
#include <future>

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace sys = fs::sys;

namespace {

// The next files of the walk, read together. A batch holds few folders open:
// a walk of many folders of one file each stays far below the open-file limit.
constexpr std::size_t kBatchFiles = 1024;
constexpr std::size_t kBatchFolders = 16;

std::vector<SourceItem> nextBatch(Sources &sources)
{
    std::vector<SourceItem> batch;
    std::vector<const sys::Folder *> folders;
    while (batch.size() < kBatchFiles && folders.size() < kBatchFolders) {
        std::optional<SourceItem> item = sources.next();
        if (!item)
            break;
        if (item->folder && std::find(folders.begin(), folders.end(), item->folder.get()) == folders.end())
            folders.push_back(item->folder.get());
        batch.push_back(std::move(*item));
    }
    return batch;
}

// A batch with its headers read on helper threads, while the caller walks on
// (those of folders read as they were listed are not read again).
struct ReadBatch
{
    std::vector<SourceItem> items;
    std::vector<Header> headers;
};

std::future<ReadBatch> startReading(std::vector<SourceItem> items, std::vector<bool> readAlready)
{
    return std::async(std::launch::async, [items = std::move(items), readAlready = std::move(readAlready)]() mutable {
        ReadBatch batch{std::move(items), {}};
        batch.headers.resize(batch.items.size());
        forEachInParallel(batch.items.size(), [&](std::size_t i) {
            if (!batch.items[i].failure && !readAlready[i])
                batch.headers[i] = readHeader(batch.items[i]);
        });
        return batch;
    });
}

// The folders whose headers are being read in the order they were listed,
// oldest first: the walk's items come in the same order.
class ListedFolders
{
public:
    void listed(std::uint64_t listing, const std::shared_ptr<const sys::Folder> &folder, const NameList &files)
    {
        if (FolderHeaders::worthReading(files.size()))
            m_folders.push_back({listing, std::make_unique<FolderHeaders>(folder, files)});
    }
    [[nodiscard]] std::vector<bool> readAlready(const std::vector<SourceItem> &items) const
    {
        std::vector<bool> read(items.size());
        for (std::size_t i = 0; i < items.size(); ++i)
            read[i] = find(items[i]) != nullptr;
        return read;
    }
    // The header of an item whose folder is read here, else nothing.
    [[nodiscard]] std::optional<Header> take(const SourceItem &item)
    {
        FolderHeaders *headers = find(item);
        if (!headers)
            return std::nullopt;
        Header header = headers->take(item.listedAt);
        while (!m_folders.empty() && m_folders.front().headers->done())
            m_folders.pop_front();
        return header;
    }

private:
    struct Folder
    {
        std::uint64_t listing = 0;
        std::unique_ptr<FolderHeaders> headers;
    };
    [[nodiscard]] FolderHeaders *find(const SourceItem &item) const
    {
        if (!item.folder || item.listing == 0)
            return nullptr;
        for (const Folder &folder : m_folders) {
            if (folder.listing == item.listing)
                return folder.headers.get();
        }
        return nullptr;
    }

    std::deque<Folder> m_folders;
};

void putFile(JsonWriter &json, const SourceItem &item, const Header &header, const QString &message)
{
    QJsonObject file;
    putPath(file, u"source"_s, item.path());
    file.insert(u"kind"_s, layoutInfo(layoutOf(item.job.kind)).id.toString());
    if (header.failure) {
        file.insert(u"result"_s, u"failed"_s);
        file.insert(u"error"_s, errorObject(header.failure, message));
    } else {
        file.insert(u"records"_s, header.records);
        file.insert(u"result"_s, header.records > 0 ? u"listed"_s : u"no-records"_s);
        if (header.records > 0)
            putName(file, u"firstName"_s, header.firstName);
    }
    json.value(file);
}

} // namespace

int runList(const Request &request, Console &console)
{
    SourceList list(request.operands);
    Sources sources([&list] { return list.next(); }, request.kind, request.recursive, std::nullopt);
    JsonWriter json(console);
    if (request.json) {
        json.beginObject();
        json.value(u"command", u"list"_s);
        json.beginArray(u"files");
    }
    bool failed = false;
    int files = 0;
    QStringList problems;
    // Opening and reading many small files is the system's work: helper
    // threads read a folder's files as soon as it is listed, and one batch
    // while this thread walks the next and prints the last.
    ListedFolders listed;
    sources.setListed([&listed](std::uint64_t listing, const std::shared_ptr<const sys::Folder> &folder,
                                const NameList &names) { listed.listed(listing, folder, names); });
    const auto startNext = [&] {
        std::vector<SourceItem> items = nextBatch(sources);
        std::vector<bool> readAlready = listed.readAlready(items);
        return startReading(std::move(items), std::move(readAlready));
    };
    std::future<ReadBatch> reading = startNext();
    while (true) {
        std::future<ReadBatch> following = startNext();
        ReadBatch batch = reading.get();
        if (batch.items.empty())
            break;
        reading = std::move(following);
        for (std::size_t i = 0; i < batch.items.size(); ++i) {
            const SourceItem &item = batch.items[i];
            if (item.failure) {
                failed = true;
                problems.append(Messages::failure(item.path(), item.failure));
                console.message(problems.last());
                continue;
            }
            ++files;
            if (std::optional<Header> read = listed.take(item))
                batch.headers[i] = std::move(*read);
            const Header &header = batch.headers[i];
            const QString message = header.failure ? Messages::failure(item.path(), header.failure) : QString();
            if (header.failure) {
                failed = true;
                console.message(message);
            } else if (header.records > 0 && !request.json) {
                console.data(Console::escaped(fs::shown(item.label)) + u'\t'
                             + Console::escaped(decodeCp932(header.firstName)) + u'\t'
                             + QString::number(header.records));
            }
            if (request.json)
                putFile(json, item, header, message);
        }
    }
    if (sources.hiddenFiles() > 0)
        console.message(Messages::hiddenFilesLeftOut(sources.hiddenFiles()));
    if (request.json) {
        json.endArray();
        json.value(u"errors", QJsonArray::fromStringList(problems));
        json.value(u"hidden", sources.hiddenFiles());
        json.endObject();
    }
    const bool written = console.flush();
    if (files == 0 && !failed) {
        console.message(Messages::notFound());
        return ExitNotFound;
    }
    return failed || !written ? ExitFailure : ExitSuccess;
}

} // namespace hy3::cli
