// SPDX-License-Identifier: MIT
#include "files/newfile.h"

#include "files/foldercache.h"
#include "files/folderpath.h"
#include "files/paths.h"

namespace hy3::fs {

namespace {

constexpr qsizetype kWriteAt = 64 * 1024;

} // namespace

NewFile::~NewFile() = default;

Failure NewFile::start(const QString &path, bool makeFolder)
{
    const FilePath file = filePath(path);
    FolderCache folders(1);
    std::shared_ptr<OpenFolder> folder;
    if (const sys::Error error = folders.open(file.folder, makeFolder ? MakeFolders::All : MakeFolders::None, folder))
        return error.during(error.cause == Cause::NotFound ? Action::OpenOutputFolder : Action::MakeOutputFolder);
    m_name = toNative(file.name);
    return TemporaryFile::create(folder->folder, m_file).during(Action::CreateOutput);
}

void NewFile::write(QByteArrayView bytes)
{
    m_held.append(bytes);
    if (m_held.size() >= kWriteAt)
        writeHeld();
}

void NewFile::writeHeld()
{
    if (m_file && !m_failed && !m_held.isEmpty())
        m_failed = m_file->write(m_held.constData(), static_cast<std::size_t>(m_held.size()));
    m_held.clear();
}

Failure NewFile::finish()
{
    if (!m_file)
        return {Cause::NotFound, Action::CreateOutput};
    writeHeld();
    if (!m_failed)
        m_failed = m_file->syncData();
    if (m_failed)
        return m_failed.during(Action::WriteOutput);
    Failure failure = m_file->commit(m_name, true).during(Action::WriteOutput);
    if (!failure)
        failure = sys::syncFolder(m_file->folder()).during(Action::MakeDurable);
    m_file.reset();
    return failure;
}

} // namespace hy3::fs
