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

namespace {

struct Range
{
    int first = 1;
    int last = 150;
};

// "1-10", "5" or nothing (every column).
Range parseRange(const QString &text)
{
    if (text.isEmpty())
        return {};
    const QStringList parts = text.split(u'-');
    bool okFirst = false;
    bool okLast = false;
    const int first = parts.first().toInt(&okFirst);
    const int last = parts.size() == 2 ? parts[1].toInt(&okLast) : first;
    if (parts.size() > 2 || !okFirst || (parts.size() == 2 && !okLast) || first < 1 || last < first)
        throw UsageError{u"--columns は 1-10 や 5 のように指定してください（指定値: %1）"_s.arg(text)};
    return {first, last};
}

// One record as show prints it: the layout's own fields, then the columns.
struct Row
{
    QByteArray name;
    std::optional<qint16> ticketNo;
    QList<qint16> columns;
};

template <typename Record>
Row rowOf(const Record &record, Range range)
{
    Row row{record.Name, std::nullopt, {}};
    if constexpr (!std::is_same_v<Record, HyoRecord>)
        row.ticketNo = record.TicketNo;
    const auto &values = record.Col.values();
    for (int k = range.first; k <= qMin<int>(range.last, static_cast<int>(values.size())); ++k)
        row.columns.append(values[static_cast<std::size_t>(k - 1)]);
    return row;
}

class Table
{
public:
    Table(Console &console, bool json, Range range) : m_console(console), m_json(json), m_range(range) {}

    void begin(const QString &path, Layout layout, int count, int columns, bool several)
    {
        m_rows = {};
        m_file = QJsonObject{{u"source"_s, fs::shown(path)},
                             {u"kind"_s, layout == Layout::Hyo ? u"hyo"_s : layout == Layout::Hyp ? u"hyp"_s : u"hy3"_s},
                             {u"records"_s, count}};
        m_hasTicket = layout != Layout::Hyo;
        if (m_json)
            return;
        if (several)
            m_console.data(u"==> %1 <=="_s.arg(Console::escaped(fs::shown(path))));
        QStringList header{u"番号"_s, u"名前"_s};
        if (m_hasTicket)
            header.append(u"整理券番号"_s);
        for (int k = m_range.first; k <= qMin(m_range.last, columns); ++k)
            header.append(u"列%1"_s.arg(k));
        m_console.data(header.join(u'\t'));
    }

    void add(int number, const Row &row)
    {
        const QString name = decodeCp932(row.name);
        if (m_json) {
            QJsonArray values;
            for (const qint16 value : row.columns)
                values.append(value);
            QJsonObject record{{u"number"_s, number}, {u"name"_s, name}, {u"columns"_s, values}};
            if (row.ticketNo)
                record.insert(u"ticketNo"_s, *row.ticketNo);
            m_rows.append(record);
            return;
        }
        QStringList fields{QString::number(number), Console::escaped(name)};
        if (row.ticketNo)
            fields.append(QString::number(*row.ticketNo));
        for (const qint16 value : row.columns)
            fields.append(QString::number(value));
        m_console.data(fields.join(u'\t'));
    }

    void end(QJsonArray &files)
    {
        if (!m_json)
            return;
        m_file.insert(u"rows"_s, m_rows);
        files.append(m_file);
    }

private:
    Console &m_console;
    bool m_json;
    Range m_range;
    bool m_hasTicket = false;
    QJsonObject m_file;
    QJsonArray m_rows;
};

template <typename Record>
void showRecords(DataFileReader &reader, Table &table, Range range)
{
    Record record;
    for (int r = 1; r <= reader.count(); ++r) {
        reader.read(record, r);
        table.add(r, rowOf(record, range));
    }
}

} // namespace

int runShow(const Request &request, Console &console)
{
    Range range;
    try {
        range = parseRange(request.columnRange);
    } catch (const UsageError &error) {
        console.message(error.message);
        return ExitUsage;
    }
    Table table(console, request.json, range);
    QJsonArray files;
    bool failed = false;
    for (const QString &path : request.operands) {
        try {
            const fs::PathParts parts = fs::splitPath(path);
            const std::optional<Layout> layout = layoutOf(parts.name);
            if (!layout)
                throw DataError(Cause::NotRegularFile,
                                u"「%1」はデータファイル（*.hyo / *.hyp / *.hy3）ではありません"_s.arg(fs::shown(path)));
            fs::native::Folder folder;
            if (const fs::native::Error error = fs::openFolder(parts.folder, folder))
                throw fs::failure(error, u"「%1」を開けません（%2）"_s, path);
            DataFileReader reader(folder, parts.name, path, DataFileReader::Reading::Records);
            const int columns = *layout == Layout::Hyo ? 72 : *layout == Layout::Hyp ? 71 : 150;
            table.begin(path, *layout, reader.count(), columns, request.operands.size() > 1);
            if (*layout == Layout::Hyo)
                showRecords<HyoRecord>(reader, table, range);
            else if (*layout == Layout::Hyp)
                showRecords<HypRecord>(reader, table, range);
            else
                showRecords<Hy3Record>(reader, table, range);
            table.end(files);
        } catch (const DataError &error) {
            failed = true;
            console.message(error.message());
            if (request.json)
                files.append(QJsonObject{{u"source"_s, fs::shown(path)},
                                         {u"error"_s, QJsonObject{{u"message"_s, error.message()},
                                                                 {u"code"_s, causeId(error.cause())}}}});
        }
    }
    if (request.json)
        console.document(QJsonDocument(QJsonObject{{u"command"_s, u"show"_s}, {u"files"_s, files}})
                             .toJson(QJsonDocument::Indented));
    return failed ? ExitFailure : ExitSuccess;
}

} // namespace hy3::cli
