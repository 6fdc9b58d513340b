// SPDX-License-Identifier: MIT
#pragma once

#include "cause.h"
#include "fs/sys.h"
#include "listing/namelist.h"
#include "sources.h"

#include <QByteArray>

#include <atomic>
#include <future>
#include <memory>
#include <vector>

namespace hy3::cli {

// What the list shows of a file, or why it can't.
struct Header
{
    qint16 records = 0;
    QByteArray firstName;
    Failure failure;
};

// The header of one file: its folder open already (a walk), or opened for it.
[[nodiscard]] Header readHeader(const SourceItem &item);

// The headers of a folder's files, read in the order the folder listed them
// from the moment it was listed, on every core: the walk sorts the names
// meanwhile, and the list waits only for the ones it has come to.
class FolderHeaders
{
public:
    // Starts reading `names` in `folder`.
    FolderHeaders(std::shared_ptr<const fs::sys::Folder> folder, const NameList &names);
    FolderHeaders(const FolderHeaders &) = delete;
    FolderHeaders &operator=(const FolderHeaders &) = delete;
    // Waits for the reads under way.
    ~FolderHeaders();

    // Worth the threads: a folder of this many files or more, and few enough
    // that holding all their headers costs little.
    [[nodiscard]] static bool worthReading(std::size_t files) { return files >= 64 && files <= 16384; }

    [[nodiscard]] const fs::sys::Folder *folder() const { return m_folder.get(); }
    // The header of the file listed at `listed`, once read; each is taken once.
    [[nodiscard]] Header take(std::size_t listed);
    // Every header has been taken.
    [[nodiscard]] bool done() const { return m_taken == m_headers.size(); }

private:
    std::shared_ptr<const fs::sys::Folder> m_folder;
    NameList m_names;
    std::vector<Header> m_headers;
    std::unique_ptr<std::atomic<bool>[]> m_ready;
    std::size_t m_taken = 0;
    std::future<void> m_reading;
};

} // namespace hy3::cli
