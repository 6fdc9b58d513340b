// SPDX-License-Identifier: MIT
#include "listheaders.h"

#include "format/dataerror.h"
#include "format/datafile.h"
#include "files/paths.h"
#include "listing/parallel.h"

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace sys = fs::sys;

namespace {

Header headerOf(const sys::Folder &folder, const QString &name)
{
    Header header;
    header.failure = caught([&] {
        DataFileReader reader(folder, name, DataFileReader::Reading::HeaderOnly);
        header.records = reader.count();
        if (header.records > 0)
            header.firstName = reader.firstName();
    });
    return header;
}

} // namespace

Header readHeader(const SourceItem &item)
{
    if (item.folder)
        return headerOf(*item.folder, item.job.source.name);
    sys::Folder folder;
    const QString named = item.job.source.folder.text();
    if (const sys::Error error = sys::openFolder(fs::toNative(named.isEmpty() ? u"./"_s : named), folder)) {
        Header header;
        header.failure = error.during(Action::OpenSourceFolder);
        return header;
    }
    return headerOf(folder, item.job.source.name);
}

FolderHeaders::FolderHeaders(std::shared_ptr<const sys::Folder> folder, const NameList &names)
    : m_folder(std::move(folder))
    , m_names(names)
    , m_headers(names.size())
    , m_ready(new std::atomic<bool>[names.size()]{})
{
    m_reading = std::async(std::launch::async, [this] {
        forEachInParallel(m_names.size(), [this](std::size_t i) {
            m_headers[i] = headerOf(*m_folder, m_names[i].toString());
            m_ready[i].store(true, std::memory_order_release);
            m_ready[i].notify_all();
        });
    });
}

FolderHeaders::~FolderHeaders()
{
    if (m_reading.valid())
        m_reading.wait();
}

Header FolderHeaders::take(std::size_t listed)
{
    m_ready[listed].wait(false, std::memory_order_acquire);
    ++m_taken;
    return std::move(m_headers[listed]);
}

} // namespace hy3::cli
