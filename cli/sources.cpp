// SPDX-License-Identifier: MIT
#include "sources.h"

#include "format/dataerror.h"
#include "format/outputname.h"
#include "listing/naturalorder.h"
#include "files/paths.h"

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace sys = fs::sys;

namespace {

// What a path is, links followed.
sys::Error statPath(const QString &path, sys::Status &status)
{
    const fs::PathParts parts = fs::splitPath(path);
    sys::Folder folder;
    if (const sys::Error error = sys::openFolder(fs::toNative(parts.folder), folder))
        return error;
    if (parts.name.isEmpty()) // the path ends in a separator: the folder itself
        return sys::statHandle(folder.handle, status);
    return sys::statAt(folder, fs::toNative(parts.name), true, status);
}

SourceItem failed(const QString &path, const Failure &failure)
{
    SourceItem item;
    item.failedPath = path;
    item.label = path;
    item.failure = failure;
    return item;
}

} // namespace

Sources::Sources(Operands operands, std::optional<DataKind> kind, bool recursive, std::optional<QString> outputFolder)
    : m_operands(std::move(operands))
    , m_kind(kind)
    , m_recursive(recursive)
{
    if (outputFolder)
        m_output = fs::FolderPath(*outputFolder);
}

Sources Sources::folderPair(const QString &sourceFolder, const QString &destinationFolder, DataKind kind,
                            const QStringList &names)
{
    const QString source = fs::withSeparator(sourceFolder);
    if (names.isEmpty()) {
        Sources sources([done = false, source]() mutable -> std::optional<QString> {
            if (done)
                return std::nullopt;
            done = true;
            return source;
        }, kind, false, destinationFolder);
        return sources;
    }
    Sources sources([names, at = qsizetype(0)]() mutable -> std::optional<QString> {
        if (at == names.size())
            return std::nullopt;
        return names[at++];
    }, kind, false, destinationFolder);
    sources.m_flatNames = true;
    sources.m_pairSource = source;
    return sources;
}

QStringList Sources::patterns() const
{
    if (m_kind)
        return {searchPattern(*m_kind)};
    return {searchPattern(DataKind::Standard), searchPattern(DataKind::Private)};
}

SourceItem Sources::jobFor(const Place &place, const QString &name)
{
    SourceItem item;
    item.job.source = {place.source, name};
    const std::optional<Layout> layout = layoutOf(name);
    item.job.kind = layout ? kindOf(*layout).value_or(DataKind::Standard) : m_kind.value_or(DataKind::Standard);
    item.label = place.relative + name;
    if (m_output) {
        item.job.destination.folder = place.output;
        if (const Failure failure = caught([&] { item.job.destination.name = destinationFileName(name); }))
            return failed(item.job.source.text(), failure);
    }
    return item;
}

std::optional<SourceItem> Sources::enterFolder(const Place &place)
{
    std::shared_ptr<OpenFolder> folder;
    FolderEntries entries;
    sys::Error error = m_folders.open(place.source, MakeFolders::None, folder);
    if (!error)
        error = readFolder(*folder->folder, patterns(), m_recursive, entries);
    if (error)
        return failed(place.source.text(), error.during(Action::OpenFolder));
    m_hiddenFiles += entries.hiddenFiles;
    m_files = std::move(entries.files);
    ++m_listings;
    if (m_listed)
        m_listed(m_listings, folder->folder, m_files);
    m_order = naturalOrder(m_files.size(), [this](std::size_t i) { return m_files[i].toString(); });
    m_nextFile = 0;
    m_filesOpen = folder->folder;
    m_filesPlace = place;
    if (m_recursive) {
        std::vector<std::size_t> order =
            naturalOrder(entries.folders.size(), [&entries](std::size_t i) { return entries.folders[i].toString(); });
        m_levels.push_back({place, std::move(entries.folders), std::move(order)});
    }
    return std::nullopt;
}

std::optional<SourceItem> Sources::fromOperand(const QString &operand)
{
    const fs::FolderPath output = m_output.value_or(fs::FolderPath());
    if (m_flatNames) {
        // A name with a folder part reads from there, but its output goes
        // into the destination folder itself.
        const fs::PathParts parts = fs::splitPath(operand);
        const fs::FolderPath from(m_pairSource + (parts.folder == u"./" ? QString() : parts.folder));
        SourceItem item = jobFor({from, output, QString()}, parts.name);
        item.job.kind = *m_kind;
        item.label = operand;
        return item;
    }
    sys::Status status;
    if (const sys::Error error = statPath(operand, status))
        return failed(operand, error.during(Action::OpenSource));
    if (status.type == sys::Type::Folder)
        return enterFolder({fs::FolderPath(operand), output, QString()});
    const fs::FilePath file = fs::filePath(operand);
    const std::optional<Layout> layout = layoutOf(file.name);
    if (!layout || !kindOf(*layout))
        return failed(operand, {Cause::NotOldData});
    if (m_kind && *m_kind != *kindOf(*layout))
        return std::nullopt; // --kind filters
    SourceItem item = jobFor({file.folder, output, QString()}, file.name);
    if (!item.failure)
        item.label = operand;
    return item;
}

std::optional<SourceItem> Sources::next()
{
    for (;;) {
        if (m_nextFile < m_order.size()) {
            const std::size_t listed = m_order[m_nextFile++];
            SourceItem item = jobFor(m_filesPlace, m_files[listed].toString());
            item.folder = m_filesOpen;
            item.listing = m_listings;
            item.listedAt = listed;
            return item;
        }
        m_files.clear();
        m_order.clear();
        m_order.shrink_to_fit();
        m_nextFile = 0;
        m_filesOpen.reset();
        if (!m_levels.empty()) {
            Level &level = m_levels.back();
            if (level.nextFolder == level.order.size()) {
                m_levels.pop_back();
                continue;
            }
            const QString name = level.folders[level.order[level.nextFolder++]].toString();
            const Place below{level.place.source.child(name), level.place.output.child(name),
                              level.place.relative + name + u'/'};
            if (std::optional<SourceItem> problem = enterFolder(below))
                return problem;
            continue;
        }
        const std::optional<QString> operand = m_operands();
        if (!operand)
            return std::nullopt;
        if (std::optional<SourceItem> item = fromOperand(*operand))
            return item;
    }
}

} // namespace hy3::cli
