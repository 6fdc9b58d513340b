// SPDX-License-Identifier: MIT
#include "commands.h"

#include "text/cp932.h"
#include "format/dataerror.h"
#include "format/datafile.h"
#include "jsonwriter.h"
#include "messages.h"
#include "listing/parallel.h"
#include "files/paths.h"
#include "sourcelist.h"
#include "sources.h"

#include <QJsonArray>

#include <future>

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace sys = fs::sys;

namespace {

// What the list shows of a file, or why it can't.
struct Header
{
    qint16 records = 0;
    QByteArray firstName;
    Failure failure;
};

// The header of one file: its folder open already (a walk), or opened for it.
Header readHeader(const SourceItem &item)
{
    Header header;
    try {
        std::optional<DataFileReader> reader;
        if (item.folder) {
            reader.emplace(*item.folder, item.job.source.name, DataFileReader::Reading::HeaderOnly);
        } else {
            sys::Folder folder;
            const QString named = item.job.source.folder.text();
            if (const sys::Error error = sys::openFolder(fs::toNative(named.isEmpty() ? u"./"_s : named), folder))
                throw DataError(error.during(Action::OpenSourceFolder));
            reader.emplace(folder, item.job.source.name, DataFileReader::Reading::HeaderOnly);
        }
        header.records = reader->count();
        if (header.records > 0)
            header.firstName = reader->firstName();
    } catch (const DataError &error) {
        header.failure = error.failure();
    } catch (const std::bad_alloc &) {
        header.failure = {Cause::OutOfMemory, Action::ReadSource};
    }
    return header;
}

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

// A batch with its headers read on helper threads, while the caller walks on.
struct ReadBatch
{
    std::vector<SourceItem> items;
    std::vector<Header> headers;
};

std::future<ReadBatch> startReading(std::vector<SourceItem> items)
{
    return std::async(std::launch::async, [items = std::move(items)]() mutable {
        ReadBatch batch{std::move(items), {}};
        batch.headers.resize(batch.items.size());
        forEachInParallel(batch.items.size(), [&batch](std::size_t i) {
            if (!batch.items[i].failure)
                batch.headers[i] = readHeader(batch.items[i]);
        });
        return batch;
    });
}

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
    // threads read one batch while this one walks the next and prints the last.
    std::future<ReadBatch> reading = startReading(nextBatch(sources));
    while (true) {
        std::vector<SourceItem> following = nextBatch(sources);
        const ReadBatch batch = reading.get();
        if (batch.items.empty())
            break;
        reading = startReading(std::move(following));
        for (std::size_t i = 0; i < batch.items.size(); ++i) {
            const SourceItem &item = batch.items[i];
            if (item.failure) {
                failed = true;
                problems.append(Messages::failure(item.path(), item.failure));
                console.message(problems.last());
                continue;
            }
            ++files;
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
