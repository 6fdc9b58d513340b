// SPDX-License-Identifier: MIT
#pragma once

#include "files/folderpath.h"
#include "fs/sys.h"

#include <QHash>
#include <QString>

#include <list>
#include <memory>
#include <optional>
#include <vector>

namespace hy3 {

// How much of a missing folder path may be made.
enum class MakeFolders {
    None,  // every folder must be there
    Below, // the folder the user named must be there; those below it are made
    All,   // the folder the user named too, with its missing parents
};

// The nearest folder on the way to `folder` that is there, itself included;
// empty when there is none.
[[nodiscard]] QString nearestExistingFolder(QString folder);

// One folder a batch works in, with what the batch has learned about it.
struct OpenFolder
{
    std::shared_ptr<const fs::sys::Folder> folder;
    std::uint64_t opened = 0; // the order folders were opened in: earlier is smaller
    std::optional<fs::sys::Identity> identity;
    std::optional<bool> flushCovers;              // see fs::sys::fileSystemFlushCovers, asked once
    std::optional<bool> batchCovers;              // see fs::sys::batchFlushCovers, asked once
    bool swept = false;                           // leftover temporaries removed
    std::optional<fs::sys::Error> writeCheck;     // a dry run's proof that a file can be made here
    int made = -1; // the batch made it: its number among those made
};

// The folders of a batch, opened on demand and at most `capacity` at a time:
// the least recently used are closed (a file still being written keeps its
// own open). A folder is opened as its FolderPath says: the folder the user
// named as a path (links followed), and each folder below it on its own
// relative to the one above, never through a link: a link put there can't
// lead the batch elsewhere, and depth has no limit.
class FolderCache
{
public:
    explicit FolderCache(int capacity = 64) : m_capacity(capacity) {}

    // On failure the error says why the first folder on the way that could
    // not be opened or made failed (a link below the named folder: LinkInTheWay).
    [[nodiscard]] fs::sys::Error open(const fs::FolderPath &path, MakeFolders make,
                                      std::shared_ptr<OpenFolder> &opened);

    // The identity of an open folder, asked once.
    [[nodiscard]] fs::sys::Error identity(OpenFolder &folder, fs::sys::Identity &identity);

    // Something was written into the folder: it, and the folders above it
    // that were made on the way, are not made for nothing.
    void markUsed(const OpenFolder &folder);
    // Removes the folders made by open() that nothing was written into,
    // deepest first; a folder that holds anything after all stays.
    void removeUnusedMadeFolders();

private:
    struct Node
    {
        QString path;
        std::shared_ptr<OpenFolder> state;
    };
    struct Made
    {
        fs::FolderPath parent;
        QString name;
        int above = -1; // the made folder that holds it, if any
        bool used = false;
    };

    std::shared_ptr<OpenFolder> find(const QString &path);
    std::shared_ptr<OpenFolder> insert(const QString &path, std::shared_ptr<const fs::sys::Folder> folder);
    // `made`: the number of the folder itself among those made, if it was.
    fs::sys::Error openNamed(const QString &path, MakeFolders make, std::shared_ptr<fs::sys::Folder> &folder,
                             int &made);
    void noteMade(const fs::FolderPath &parent, const QString &name);

    int m_capacity;
    std::uint64_t m_opened = 0;
    std::list<Node> m_recent; // most recently used first
    QHash<QString, std::list<Node>::iterator> m_byPath;
    std::vector<Made> m_made;
    QHash<QString, int> m_madeByPath;
};

} // namespace hy3
