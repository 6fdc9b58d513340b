#include "convert.h"

#include "dataerror.h"
#include "folderpath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <type_traits>

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

// Reads every record of the source and maps it into the bytes of the new file,
// so that nothing is written unless the whole source could be read.
template <typename Record>
QByteArray convertedBytes(const QString &path, QByteArrayView source, const ColumnOptions &options, qint16 &count)
{
    ByteCursor cursor(source);
    try {
        count = ReadRecordCount(cursor);
    } catch (const DataError &) {
        throw DataError(u"「%1」: 行数を読み取れません（ファイルが2バイトに足りません）"_s.arg(nativePath(path)));
    }
    if (count < 0)
        throw DataError(u"「%1」: 行数が負の値です（%2）"_s.arg(nativePath(path)).arg(count));

    QByteArray output;
    // Each old record grows by the same number of bytes, names included. A
    // count the source can't hold reserves no more than the source allows.
    constexpr qsizetype kOldSize = std::is_same_v<Record, HyoRecord> ? 146 : 148;
    const qsizetype records = qMin<qsizetype>(count, source.size() / kOldSize + 1);
    output.reserve(source.size() + records * (304 - kOldSize));
    AppendRecordCount(output, count);
    Record old;
    for (int r = 1; r <= count; ++r) {
        try {
            ReadRecord(cursor, old);
        } catch (const DataError &error) {
            throw DataError(u"「%1」: %2 件目のレコード（全 %3 件）が不完全です（%4）"_s
                                .arg(nativePath(path))
                                .arg(r)
                                .arg(count)
                                .arg(error.message()));
        }
        AppendRecord(output, MapRecord(old, options));
    }
    return output;
}

void refuseOverwritingSource(const ConversionPaths &paths)
{
    const QString source = QFileInfo(paths.source).canonicalFilePath();
    const QString destination = QFileInfo(paths.destination).canonicalFilePath();
    if (!destination.isEmpty() && source == destination)
        throw DataError(u"「%1」: 変換元と変換先が同じファイルです"_s.arg(nativePath(paths.source)));
}

void writeDestination(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    // Unbuffered: a buffered write of a small output is "accepted" and its
    // failure (full disk, size limit) only shows at the flush, which commit()
    // does not report. Each write now says whether its bytes reached the file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw DataError(u"「%1」を作成できません（%2）"_s.arg(nativePath(path), file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw DataError(u"「%1」に書き込めません（%2）"_s.arg(nativePath(path), reason));
    }
    if (!file.commit())
        throw DataError(u"「%1」に書き込めません（%2）"_s.arg(nativePath(path), file.errorString()));
}

} // namespace

ConversionPaths PathsFor(const QString &sourceFolderText, const QString &destinationFolderText,
                         const QString &oldName)
{
    return {FolderWithSeparator(sourceFolderText) + oldName,
            FolderWithSeparator(destinationFolderText) + DestinationFileName(oldName)};
}

namespace {

// The result of walking the old columns k = 1..N in order and doing exactly one
// of: TicketNo = old k (k is the ticket column), new[moveTo] = old k (k is the
// move source), new k = old k. Worked out in bulk because it runs for every
// column of every record: a straight copy, then the two exceptions.
template <std::size_t N>
void placeColumns(const std::array<qint16, N> &in, Hy3Record &record, int ticket, int moveFrom, int moveTo)
{
    constexpr int last = static_cast<int>(N);
    auto &out = record.Col.values();
    std::copy(in.begin(), in.end(), out.begin());
    if (ticket >= 1 && ticket <= last) {
        record.TicketNo = in[ticket - 1];
        out[ticket - 1] = 0;
    }
    if (moveFrom >= 1 && moveFrom <= last && moveFrom != ticket) {
        out[moveFrom - 1] = 0;
        // A target that is copied straight later in the walk ends up with its own value.
        const bool copiedLater = moveTo > moveFrom && moveTo <= last && moveTo != ticket;
        if (!copiedLater)
            record.Col(moveTo) = in[moveFrom - 1];
    }
}

int ticketColumnOf(const ColumnOptions &options) { return options.ticketNumber ? options.ticketColumn : 0; }
int moveSourceOf(const ColumnOptions &options) { return options.moveColumn ? options.moveFrom : 0; }

} // namespace

Hy3Record MapRecord(const HyoRecord &old, const ColumnOptions &options)
{
    Hy3Record record;
    record.Name = old.Name;
    placeColumns(old.Col.values(), record, ticketColumnOf(options), moveSourceOf(options), options.moveTo);
    return record;
}

Hy3Record MapRecord(const HypRecord &old, const ColumnOptions &options)
{
    Hy3Record record;
    record.Name = old.Name;
    record.TicketNo = old.TicketNo; // Extra has no place in the new layout
    placeColumns(old.Col.values(), record, 0, moveSourceOf(options), options.moveTo);
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

QByteArray ConvertBytes(DataKind kind, QByteArrayView source, const ColumnOptions &options,
                        const QString &sourcePath, qint16 &count)
{
    try {
        CheckOptions(kind, options);
    } catch (const DataError &error) {
        throw DataError(u"「%1」: %2"_s.arg(nativePath(sourcePath), error.message()));
    }
    return kind == DataKind::Standard ? convertedBytes<HyoRecord>(sourcePath, source, options, count)
                                      : convertedBytes<HypRecord>(sourcePath, source, options, count);
}

int ConvertFile(DataKind kind, const ConversionPaths &paths, const ColumnOptions &options)
{
    const QByteArray source = readWholeSource(paths.source);
    qint16 count = 0;
    const QByteArray output = ConvertBytes(kind, source, options, paths.source, count);
    if (count == 0)
        return 0;
    refuseOverwritingSource(paths);
    writeDestination(paths.destination, output);
    return count;
}

} // namespace hy3
