// SPDX-License-Identifier: MIT
#pragma once

#include "format/convert.h"
#include "format/datafile.h"

#include <QByteArray>

#include <optional>

namespace hy3 {

// A job's source, open for its conversion: converted here as it is read, or
// read and converted earlier on the read-ahead thread (see ReadAhead) and
// held. The planner asks both alike, and both fail alike at the same step:
// a failure found ahead is thrown where it would have been found here.
class ReadSource
{
public:
    // Opens `name` in `folder` and reads its record count; throws DataError
    // as DataFileReader does.
    ReadSource(const fs::sys::Folder &folder, const QString &name);

    [[nodiscard]] qint16 count() const { return m_count; }
    // Size, modification time and identity of the file as it was opened; throws DataError.
    [[nodiscard]] fs::sys::Status status() const;
    // Hands the converted bytes to `sink` in order; throws DataError where the conversion fails.
    void convert(DataKind kind, const ColumnOptions &options, const OutputSink &sink);
    // The Name of record 1 once convert() has passed it.
    [[nodiscard]] QByteArray firstRecordName() const;

    // Reads the rest and converts it now, holding the bytes (and the failure
    // that ended them, if one did) for convert(); the file is closed.
    void convertAhead(DataKind kind, const ColumnOptions &options);
    // Bytes held by convertAhead().
    [[nodiscard]] qsizetype heldBytes() const { return m_held.size(); }
    // Still open: to be converted as it is read.
    [[nodiscard]] bool isOpen() const { return m_reader.has_value(); }

private:
    std::optional<DataFileReader> m_reader;
    qint16 m_count = 0;
    // Once converted ahead:
    std::optional<fs::sys::Status> m_status;
    Failure m_statusFailure;
    QByteArray m_held;
    Failure m_heldFailure;
    QByteArray m_firstRecordName;
};

} // namespace hy3
