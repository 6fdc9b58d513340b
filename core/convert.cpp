#include "convert.h"

#include "dataerror.h"
#include "folderpath.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <vector>

using namespace Qt::StringLiterals;

namespace hy3 {

namespace {

constexpr int kOldColumns = 72;
constexpr int kNewColumns = Columns<150>::kCount;

void checkRange(int value, int last, const QString &what)
{
    if (value < 1 || value > last)
        throw DataError(u"%1 %2 は範囲外です（1～%3 で指定してください）"_s.arg(what).arg(value).arg(last));
}

QString nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QByteArray readWholeSource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DataError(u"「%1」を開けません（%2）"_s.arg(nativePath(path), file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw DataError(u"「%1」を読み込めません（%2）"_s.arg(nativePath(path), file.errorString()));
    return bytes;
}

template <typename Record>
std::vector<Record> parseRecords(const QString &path, QByteArray &bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    qint16 count = 0;
    try {
        count = ReadRecordCount(buffer);
    } catch (const DataError &) {
        throw DataError(u"「%1」: 行数を読み取れません（ファイルが2バイトに足りません）"_s.arg(nativePath(path)));
    }
    if (count < 0)
        throw DataError(u"「%1」: 行数が負の値です（%2）"_s.arg(nativePath(path)).arg(count));

    std::vector<Record> records(static_cast<std::size_t>(count));
    for (int r = 0; r < count; ++r) {
        try {
            ReadRecord(buffer, records[static_cast<std::size_t>(r)]);
        } catch (const DataError &error) {
            throw DataError(u"「%1」: %2 件目のレコード（全 %3 件）が不完全です（%4）"_s
                                .arg(nativePath(path))
                                .arg(r + 1)
                                .arg(count)
                                .arg(error.message()));
        }
    }
    return records;
}

void refuseOverwritingSource(const ConversionPaths &paths)
{
    const QString source = QFileInfo(paths.source).canonicalFilePath();
    const QString destination = QFileInfo(paths.destination).canonicalFilePath();
    if (!destination.isEmpty() && source == destination)
        throw DataError(u"「%1」: 変換元と変換先が同じファイルです"_s.arg(nativePath(paths.source)));
}

template <typename Record>
void writeDestination(const QString &path, const std::vector<Record> &records, const ColumnOptions &options)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw DataError(u"「%1」を作成できません（%2）"_s.arg(nativePath(path), file.errorString()));
    try {
        WriteRecordCount(file, static_cast<qint16>(records.size()));
        for (const Record &old : records)
            WriteRecord(file, MapRecord(old, options));
    } catch (const DataError &error) {
        file.cancelWriting();
        throw DataError(u"「%1」: %2"_s.arg(nativePath(path), error.message()));
    }
    if (!file.commit())
        throw DataError(u"「%1」に書き込めません（%2）"_s.arg(nativePath(path), file.errorString()));
}

template <typename Record>
int convertRecords(const ConversionPaths &paths, const ColumnOptions &options)
{
    QByteArray bytes = readWholeSource(paths.source);
    const std::vector<Record> records = parseRecords<Record>(paths.source, bytes);
    if (records.empty())
        return 0;
    refuseOverwritingSource(paths);
    writeDestination(paths.destination, records, options);
    return static_cast<int>(records.size());
}

} // namespace

ConversionPaths PathsFor(const QString &sourceFolderText, const QString &destinationFolderText,
                         const QString &oldName)
{
    return {FolderWithSeparator(sourceFolderText) + oldName,
            FolderWithSeparator(destinationFolderText) + DestinationFileName(oldName)};
}

Hy3Record MapRecord(const HyoRecord &old, const ColumnOptions &options)
{
    Hy3Record record;
    record.Name = old.Name;
    for (int k = 1; k <= kOldColumns; ++k) {
        if (options.ticketNumber && k == options.ticketColumn)
            record.TicketNo = old.Col(k);
        else if (options.moveColumn && k == options.moveFrom)
            record.Col(options.moveTo) = old.Col(k);
        else
            record.Col(k) = old.Col(k);
    }
    return record;
}

Hy3Record MapRecord(const HypRecord &old, const ColumnOptions &options)
{
    Hy3Record record;
    record.Name = old.Name;
    record.TicketNo = old.TicketNo; // Extra has no place in the new layout
    for (int k = 1; k <= Columns<71>::kCount; ++k) {
        if (options.moveColumn && k == options.moveFrom)
            record.Col(options.moveTo) = old.Col(k);
        else
            record.Col(k) = old.Col(k);
    }
    return record;
}

void CheckOptions(DataKind kind, const ColumnOptions &options)
{
    if (kind == DataKind::Standard && options.ticketNumber)
        checkRange(options.ticketColumn, kOldColumns, u"整理券番号の列"_s);
    if (options.moveColumn) {
        checkRange(options.moveFrom, kOldColumns, u"移動元の列"_s);
        checkRange(options.moveTo, kNewColumns, u"移動先の列"_s);
    }
}

int ConvertFile(DataKind kind, const ConversionPaths &paths, const ColumnOptions &options)
{
    try {
        CheckOptions(kind, options);
    } catch (const DataError &error) {
        throw DataError(u"「%1」: %2"_s.arg(nativePath(paths.source), error.message()));
    }
    return kind == DataKind::Standard ? convertRecords<HyoRecord>(paths, options)
                                      : convertRecords<HypRecord>(paths, options);
}

} // namespace hy3
