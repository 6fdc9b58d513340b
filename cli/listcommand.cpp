// SPDX-License-Identifier: MIT
#include "commands.h"

#include "cp932.h"
#include "datafile.h"
#include "filesystem.h"
#include "sources.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace native = fs::native;

int runList(const Request &request, Console &console)
{
    const Expansion expansion = expandOperands(request.operands, request.kind, request.recursive);
    for (const QString &problem : expansion.problems)
        console.message(problem);
    bool failed = !expansion.problems.isEmpty();
    QJsonArray files;
    QString openFolderPath;
    native::Folder folder;
    native::Error folderError;
    for (const Job &job : expansion.jobs) {
        QJsonObject file{{u"source"_s, fs::shown(job.source)},
                         {u"kind"_s, job.kind == DataKind::Standard ? u"hyo"_s : u"hyp"_s}};
        const fs::PathParts parts = fs::splitPath(job.source);
        if (parts.folder != openFolderPath) {
            openFolderPath = parts.folder;
            folderError = fs::openFolder(parts.folder, folder);
        }
        try {
            if (folderError)
                throw fs::failure(folderError, u"フォルダー「%1」を開けません（%2）"_s, parts.folder);
            DataFileReader reader(folder, parts.name, job.source, DataFileReader::Reading::HeaderOnly);
            const QString firstName = reader.count() > 0 ? decodeCp932(reader.firstName()) : QString();
            file.insert(u"records"_s, reader.count());
            file.insert(u"result"_s, reader.count() > 0 ? u"listed"_s : u"no-records"_s);
            if (reader.count() > 0) {
                file.insert(u"firstName"_s, firstName);
                if (!request.json)
                    console.data(u"%1\t%2\t%3"_s.arg(Console::escaped(fs::shown(job.label)), Console::escaped(firstName))
                                     .arg(reader.count()));
            }
        } catch (const DataError &error) {
            failed = true;
            console.message(error.message());
            file.insert(u"result"_s, u"failed"_s);
            file.insert(u"error"_s, QJsonObject{{u"message"_s, error.message()},
                                                {u"code"_s, causeId(error.cause())},
                                                {u"systemError"_s, error.code()}});
        }
        files.append(file);
    }
    if (request.json) {
        QJsonArray errors;
        for (const QString &problem : expansion.problems)
            errors.append(problem);
        console.document(QJsonDocument(QJsonObject{{u"command"_s, u"list"_s}, {u"files"_s, files}, {u"errors"_s, errors}})
                             .toJson(QJsonDocument::Indented));
    }
    if (expansion.jobs.isEmpty() && !failed) {
        console.message(u"指定したフォルダ(ドライブ)からは、データファイルは発見されませんでした。"_s);
        return ExitNotFound;
    }
    return failed ? ExitFailure : ExitSuccess;
}

} // namespace hy3::cli
