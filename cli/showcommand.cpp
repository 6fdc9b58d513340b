// SPDX-License-Identifier: MIT
#include "commands.h"

#include "text/cp932.h"
#include "format/dataerror.h"
#include "format/datafile.h"
#include "jsonwriter.h"
#include "messages.h"
#include "files/paths.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace sys = fs::sys;

namespace {

// One file's rows, written as they are read: a header and tab-separated
// lines, or the "rows" of its JSON object.
class Table
{
public:
    Table(Console &console, JsonWriter &json, bool asJson, int first, int last)
        : m_console(console), m_json(json), m_asJson(asJson), m_first(first), m_last(last)
    {
    }

    void begin(const QString &path, Layout layout, int count, bool several)
    {
        const LayoutInfo &info = layoutInfo(layout);
        m_hasTicket = info.hasTicketNo;
        m_columns = info.columns;
        if (m_asJson) {
            m_json.beginObject();
            QJsonObject head;
            putPath(head, u"source"_s, path);
            for (auto it = head.constBegin(); it != head.constEnd(); ++it)
                m_json.value(it.key(), it.value());
            m_json.value(u"kind", info.id.toString());
            m_json.value(u"records", count);
            m_json.beginArray(u"rows");
            m_open = true;
            return;
        }
        if (several)
            m_console.data(u"==> %1 <=="_s.arg(Console::escaped(fs::shown(path))));
        QStringList header{u"番号"_s, u"名前"_s};
        if (m_hasTicket)
            header.append(u"整理券番号"_s);
        for (int k = m_first; k <= qMin(m_last, m_columns); ++k)
            header.append(u"列%1"_s.arg(k));
        m_console.data(header.join(u'\t'));
    }

    template <typename Record>
    void add(int number, const Record &record)
    {
        const auto &values = record.Col.values();
        std::optional<qint16> ticket;
        if constexpr (!std::is_same_v<Record, HyoRecord>)
            ticket = record.TicketNo;
        if (m_asJson) {
            QJsonArray columns;
            for (int k = m_first; k <= qMin(m_last, m_columns); ++k)
                columns.append(values[static_cast<std::size_t>(k - 1)]);
            QJsonObject row{{u"number"_s, number}, {u"columns"_s, columns}};
            putName(row, u"name"_s, record.Name);
            if (ticket)
                row.insert(u"ticketNo"_s, *ticket);
            return m_json.value(row);
        }
        QStringList fields{QString::number(number), Console::escaped(decodeCp932(record.Name))};
        if (ticket)
            fields.append(QString::number(*ticket));
        for (int k = m_first; k <= qMin(m_last, m_columns); ++k)
            fields.append(QString::number(values[static_cast<std::size_t>(k - 1)]));
        m_console.data(fields.join(u'\t'));
    }

    // Closes the file's JSON object, with the error that cut its rows short if there is one.
    void end(const QJsonObject &error = {})
    {
        if (!m_open)
            return;
        m_open = false;
        m_json.endArray();
        if (!error.isEmpty())
            m_json.value(u"error", error);
        m_json.endObject();
    }

    [[nodiscard]] bool isOpen() const { return m_open; }

private:
    Console &m_console;
    JsonWriter &m_json;
    bool m_asJson;
    int m_first;
    int m_last;
    bool m_hasTicket = false;
    int m_columns = 0;
    bool m_open = false;
};

template <typename Record>
void showRecords(DataFileReader &reader, Table &table)
{
    Record record;
    for (int r = 1; r <= reader.count(); ++r) {
        reader.read(record, r);
        table.add(r, record);
    }
}

void show(const QString &path, const Request &request, Table &table)
{
    const fs::PathParts parts = fs::splitPath(path);
    const std::optional<Layout> layout = layoutOf(parts.name);
    if (!layout)
        throw DataError({Cause::NotDataFile});
    sys::Folder folder;
    if (const sys::Error error = sys::openFolder(fs::toNative(parts.folder), folder))
        throw DataError(error.during(Action::OpenSourceFolder));
    DataFileReader reader(folder, parts.name, DataFileReader::Reading::Records);
    if (request.firstColumn > layoutInfo(*layout).columns) {
        Failure failure{Cause::ColumnOutOfRange, Action::CheckOptions, 0, request.firstColumn,
                        layoutInfo(*layout).columns};
        throw DataError(failure);
    }
    table.begin(path, *layout, reader.count(), request.operands.size() > 1);
    switch (*layout) {
    case Layout::Hyo:
        showRecords<HyoRecord>(reader, table);
        break;
    case Layout::Hyp:
        showRecords<HypRecord>(reader, table);
        break;
    case Layout::Hy3:
        showRecords<Hy3Record>(reader, table);
        break;
    }
    table.end();
}

} // namespace

int runShow(const Request &request, Console &console)
{
    JsonWriter json(console);
    Table table(console, json, request.json, request.firstColumn, request.lastColumn);
    if (request.json) {
        json.beginObject();
        json.value(u"command", u"show"_s);
        json.beginArray(u"files");
    }
    bool failed = false;
    for (const QString &path : request.operands) {
        try {
            show(path, request, table);
        } catch (const DataError &error) {
            failed = true;
            const QString message = error.cause() == Cause::ColumnOutOfRange
                ? Messages::tr("「%1」の列は 1～%2 です。--columns の %3 列目からはありません")
                      .arg(fs::shown(path))
                      .arg(error.failure().limit)
                      .arg(error.failure().number)
                : Messages::failure(path, error.failure());
            console.message(message);
            if (table.isOpen()) {
                table.end(errorObject(error.failure(), message));
            } else if (request.json) {
                QJsonObject file;
                putPath(file, u"source"_s, path);
                file.insert(u"error"_s, errorObject(error.failure(), message));
                json.value(file);
            }
        }
    }
    if (request.json) {
        json.endArray();
        json.endObject();
    }
    return failed || !console.flush() ? ExitFailure : ExitSuccess;
}

} // namespace hy3::cli
