// SPDX-License-Identifier: MIT
#include "engine/readsource.h"

#include "format/dataerror.h"

namespace hy3 {

ReadSource::ReadSource(const fs::sys::Folder &folder, const QString &name)
{
    m_reader.emplace(folder, name, DataFileReader::Reading::Records);
    m_count = m_reader->count();
}

fs::sys::Status ReadSource::status() const
{
    if (m_reader)
        return m_reader->status();
    if (m_statusFailure)
        throw DataError(m_statusFailure);
    return *m_status;
}

void ReadSource::convert(DataKind kind, const ColumnOptions &options, const OutputSink &sink)
{
    if (m_reader) {
        convertRecords(kind, *m_reader, options, sink);
        m_firstRecordName = m_reader->firstRecordName();
        return;
    }
    if (!m_held.isEmpty())
        sink(m_held);
    if (m_heldFailure)
        throw DataError(m_heldFailure);
}

QByteArray ReadSource::firstRecordName() const
{
    return m_reader ? m_reader->firstRecordName() : m_firstRecordName;
}

void ReadSource::convertAhead(DataKind kind, const ColumnOptions &options)
{
    m_statusFailure = caught([&] { m_status = m_reader->status(); });
    m_heldFailure = caught([&] {
        convertRecords(kind, *m_reader, options, [this](QByteArrayView bytes) { m_held.append(bytes); });
    });
    m_firstRecordName = m_reader->firstRecordName();
    m_reader.reset();
}

} // namespace hy3
