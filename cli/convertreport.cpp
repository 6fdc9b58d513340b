// SPDX-License-Identifier: MIT
#include "convertreport.h"

#include "messages.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace {

QString resultName(Outcome::Result result, bool dryRun)
{
    switch (result) {
    case Outcome::Result::Converted:
        return dryRun ? u"would-convert"_s : u"converted"_s;
    case Outcome::Result::Unchanged:
        return u"unchanged"_s;
    case Outcome::Result::NoRecords:
        return u"no-records"_s;
    case Outcome::Result::Kept:
        return u"skipped"_s;
    case Outcome::Result::Failed:
        return u"failed"_s;
    case Outcome::Result::NotRun:
        return u"not-run"_s;
    }
    return u"failed"_s;
}

} // namespace

ConvertReport::ConvertReport(const Request &request, Console &console, fs::NewFile *file)
    : m_request(request)
    , m_console(console)
{
    if (m_request.json)
        m_json.emplace(console);
    if (file && m_request.report->endsWith(u".json"_s, Qt::CaseInsensitive))
        m_fileJson.emplace([file](QByteArrayView bytes) { file->write(bytes); });
    else if (file)
        m_csv.emplace([file](QByteArrayView bytes) { file->write(bytes); }, m_request.dryRun);
    for (JsonWriter *json : documents()) {
        json->beginObject();
        json->value(u"command", u"convert"_s);
        json->value(u"dryRun", m_request.dryRun);
        json->beginArray(u"files");
    }
}

void ConvertReport::outcome(const Outcome &outcome)
{
    say(outcome);
    ++m_delivered;
    // Problems found after this job now come in their place.
    while (!m_waiting.isEmpty() && m_waiting.first().first <= m_delivered)
        sayProblem(m_waiting.takeFirst().second);
}

void ConvertReport::problem(const SourceItem &item)
{
    if (m_delivered == m_fed)
        sayProblem(item);
    else
        m_waiting.append({m_fed, item});
}

void ConvertReport::say(const Outcome &outcome)
{
    m_tally.count(outcome);
    const bool failed = outcome.result == Outcome::Result::Failed;
    if (failed)
        m_console.message(Messages::failureOf(outcome));
    if (m_csv)
        m_csv->add(outcome);
    for (JsonWriter *json : documents())
        json->value(fileObject(outcome));
    if (m_request.json || failed || outcome.result == Outcome::Result::NotRun || m_request.quiet)
        return;
    const bool withCount = m_request.verbose || m_request.isFolderPairForm();
    m_console.data(Console::escaped(Messages::outcomeLine(outcome, m_request.dryRun, withCount)));
}

void ConvertReport::sayProblem(const SourceItem &item)
{
    const QString message = Messages::failure(item.path(), item.failure);
    m_console.message(message);
    m_problems.append(message);
    if (m_csv)
        m_csv->addProblem(item.path(), item.failure);
}

void ConvertReport::finish(int hiddenFiles)
{
    while (!m_waiting.isEmpty())
        sayProblem(m_waiting.takeFirst().second);
    if (hiddenFiles > 0)
        m_console.message(Messages::hiddenFilesLeftOut(hiddenFiles));
    for (JsonWriter *json : documents()) {
        json->endArray();
        json->value(u"errors", QJsonArray::fromStringList(m_problems));
        json->value(u"converted", m_tally.converted);
        json->value(u"unchanged", m_tally.unchanged);
        json->value(u"noRecords", m_tally.noRecords);
        json->value(u"skipped", m_tally.kept);
        json->value(u"failed", m_tally.failed);
        json->value(u"notRun", m_tally.notRun);
        json->value(u"hidden", hiddenFiles);
        json->endObject();
    }
}

std::vector<JsonWriter *> ConvertReport::documents()
{
    std::vector<JsonWriter *> all;
    for (std::optional<JsonWriter> *json : {&m_json, &m_fileJson}) {
        if (*json)
            all.push_back(&**json);
    }
    return all;
}

QJsonObject ConvertReport::fileObject(const Outcome &outcome) const
{
    QJsonObject file;
    putPath(file, u"source"_s, outcome.source);
    file.insert(u"kind"_s, layoutInfo(layoutOf(outcome.kind)).id.toString());
    putPath(file, u"output"_s, outcome.destination);
    file.insert(u"result"_s, resultName(outcome.result, m_request.dryRun));
    if (outcome.result == Outcome::Result::Failed || outcome.result == Outcome::Result::NotRun) {
        file.insert(u"error"_s, errorObject(outcome.failure, Messages::failureOf(outcome)));
        return file;
    }
    file.insert(u"records"_s, outcome.records);
    if (outcome.records > 0
        && (outcome.result == Outcome::Result::Converted || outcome.result == Outcome::Result::Unchanged))
        putName(file, u"firstName"_s, outcome.firstName);
    file.insert(u"replaced"_s, outcome.replaced);
    if (!outcome.backup.isEmpty())
        putPath(file, u"backup"_s, outcome.backup);
    return file;
}

} // namespace hy3::cli
