// SPDX-License-Identifier: MIT
#pragma once

#include "commandline.h"
#include "console.h"
#include "engine/drive.h"
#include "files/newfile.h"
#include "jsonwriter.h"
#include "runreport.h"
#include "sources.h"

#include <QStringList>

#include <optional>
#include <vector>

namespace hy3::cli {

// What a run of convert says about its files, as they are final: plain lines
// or the elements of one JSON document on standard output, and the same
// record in a report file (CSV, or that JSON document). A walk's problem is
// said in its place among the outcomes, which come in job order.
class ConvertReport
{
public:
    // `file`: the report file, started, or none.
    ConvertReport(const Request &request, Console &console, fs::NewFile *file);

    // A job handed to the engine: a problem found after it waits for its outcome.
    void fed() { ++m_fed; }
    void outcome(const Outcome &outcome);
    // A file or folder the walk could not take.
    void problem(const SourceItem &item);
    // Ends the documents; `hiddenFiles` the walk passed over.
    void finish(int hiddenFiles);

    [[nodiscard]] const Tally &tally() const { return m_tally; }
    [[nodiscard]] bool anyFailed() const { return m_tally.failed > 0 || !m_problems.isEmpty(); }

private:
    void say(const Outcome &outcome);
    void sayProblem(const SourceItem &item);
    [[nodiscard]] std::vector<JsonWriter *> documents();
    [[nodiscard]] QJsonObject fileObject(const Outcome &outcome) const;

    const Request &m_request;
    Console &m_console;
    std::optional<JsonWriter> m_json;     // standard output
    std::optional<JsonWriter> m_fileJson; // the report, as JSON
    std::optional<CsvReport> m_csv;       // the report, as CSV
    Tally m_tally;
    QStringList m_problems;
    int m_fed = 0;
    int m_delivered = 0;
    QList<std::pair<int, SourceItem>> m_waiting; // problems, after the number of jobs fed before them
};

} // namespace hy3::cli
