#pragma once

#include "datafile.h"

#include <QString>

namespace hy3 {

enum class DataKind {
    Standard, // .hyo, old standard data
    Private,  // .hyp, old private data
};

// The two column options of the file list page, as the numbers the user sees.
struct ColumnOptions
{
    bool ticketNumber = false; // move an old column into TicketNo (standard data only)
    int ticketColumn = 1;      // old column 1..72
    bool moveColumn = false;   // move one old column to another new column
    int moveFrom = 1;          // old column 1..72
    int moveTo = 1;            // new column 1..150
};

struct ConversionPaths
{
    QString source;
    QString destination;
};

// Source: source folder + old name; destination: destination folder + old
// name with its last four characters replaced by ".hy3". Folder texts are
// trimmed and get a separator. Throws DataError for a name under four characters.
[[nodiscard]] ConversionPaths PathsFor(const QString &sourceFolderText,
                                       const QString &destinationFolderText,
                                       const QString &oldName);

// Column mapping of one record. Per old column k, in increasing order, exactly
// one of: TicketNo takes it (ticket option, standard data only), the move
// target takes it (move option), or new column k takes it. A later write to
// the same new column replaces an earlier one.
[[nodiscard]] Hy3Record MapRecord(const HyoRecord &old, const ColumnOptions &options);
[[nodiscard]] Hy3Record MapRecord(const HypRecord &old, const ColumnOptions &options);

// Throws DataError when an option that is on names a column outside its range.
void CheckOptions(DataKind kind, const ColumnOptions &options);

// The bytes of the .hy3 file made from the bytes of an old file, all records
// read before anything is built; `count` receives the record count (0: no
// file is to be written). Throws DataError naming `sourcePath` and the cause.
[[nodiscard]] QByteArray ConvertBytes(DataKind kind, QByteArrayView source, const ColumnOptions &options,
                                      const QString &sourcePath, qint16 &count);

// Converts one old file into one .hy3 file and returns the number of records
// written. A source with no record returns 0 and writes nothing. The source is
// opened read-only; the destination is replaced atomically, so on any failure
// (DataError, naming the file and the cause) an existing destination stays as
// it was and no partial or temporary file is left.
int ConvertFile(DataKind kind, const ConversionPaths &paths, const ColumnOptions &options);

} // namespace hy3
