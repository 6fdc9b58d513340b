// SPDX-License-Identifier: MIT
#include "commands.h"

#include "cp932.h"
#include "dataerror.h"
#include "datafile.h"
#include "jsonwriter.h"
#include "messages.h"
#include "paths.h"
#include "sourcelist.h"
#include "sources.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace sys = fs::sys;

namespace {

// The header of one file: its folder open already (a walk), or opened for it.
DataFileReader readerFor(const SourceItem &item)
{
    if (item.folder)
        return DataFileReader(*item.folder, item.name, DataFileReader::Reading::HeaderOnly);
    const fs::PathParts parts = fs::splitPath(item.job.source);
    sys::Folder folder;
    if (const sys::Error error = sys::openFolder(fs::toNative(parts.folder), folder))
        throw DataError(error.during(Action::OpenSourceFolder));
    return DataFileReader(folder, parts.name, DataFileReader::Reading::HeaderOnly);
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
    while (const std::optional<SourceItem> item = sources.next()) {
        if (item->failure) {
            failed = true;
            problems.append(Messages::failure(item->job.source, item->failure));
            console.message(problems.last());
            continue;
        }
        ++files;
        QJsonObject file;
        putPath(file, u"source"_s, item->job.source);
        file.insert(u"kind"_s, layoutInfo(layoutOf(item->job.kind)).id.toString());
        try {
            DataFileReader reader = readerFor(*item);
            const QByteArray firstName = reader.count() > 0 ? reader.firstName() : QByteArray();
            file.insert(u"records"_s, reader.count());
            file.insert(u"result"_s, reader.count() > 0 ? u"listed"_s : u"no-records"_s);
            if (reader.count() > 0) {
                putName(file, u"firstName"_s, firstName);
                if (!request.json)
                    console.data(u"%1\t%2\t%3"_s.arg(Console::escaped(fs::shown(item->label)),
                                                     Console::escaped(decodeCp932(firstName)))
                                     .arg(reader.count()));
            }
        } catch (const DataError &error) {
            failed = true;
            const QString message = Messages::failure(item->job.source, error.failure());
            console.message(message);
            file.insert(u"result"_s, u"failed"_s);
            file.insert(u"error"_s, errorObject(error.failure(), message));
        }
        if (request.json)
            json.value(file);
    }
    if (request.json) {
        json.endArray();
        json.value(u"errors", QJsonArray::fromStringList(problems));
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
