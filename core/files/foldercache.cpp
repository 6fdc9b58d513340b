// SPDX-License-Identifier: MIT
#include "files/foldercache.h"

#include "files/paths.h"

namespace hy3 {

namespace sys = fs::sys;

namespace {

// The parts of `relative` between separators.
QStringList components(QStringView relative)
{
    QStringList parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= relative.size(); ++i) {
        if (i == relative.size() || fs::isSeparator(relative[i])) {
            if (i > start)
                parts.append(relative.sliced(start, i - start).toString());
            start = i + 1;
        }
    }
    return parts;
}

// Opens `name` below `parent`, making it first where that is allowed;
// `made` says whether it was made here.
sys::Error openOrMake(const sys::Folder &parent, const QString &name, bool make, sys::Folder &folder, bool &made)
{
    made = false;
    const sys::String native = fs::toNative(name);
    sys::Error error = sys::openSubfolder(parent, native, folder);
    if (error.cause != Cause::NotFound || !make)
        return error;
    error = sys::makeSubfolder(parent, native);
    if (error && error.cause != Cause::Exists)
        return error;
    made = !error;
    return sys::openSubfolder(parent, native, folder);
}

} // namespace

QString nearestExistingFolder(QString folder)
{
    sys::String full;
    if (!folder.isEmpty() && !sys::fullPath(fs::toNative(folder), full))
        folder = fs::withSeparator(fs::fromNative(full));
    for (; !folder.isEmpty(); folder = fs::parentFolder(folder)) {
        sys::Folder opened;
        if (sys::openFolder(fs::toNative(folder), opened).cause != Cause::NotFound)
            break;
    }
    return folder;
}

std::shared_ptr<OpenFolder> FolderCache::find(const QString &path)
{
    const auto found = m_byPath.constFind(path);
    if (found == m_byPath.cend())
        return nullptr;
    m_recent.splice(m_recent.begin(), m_recent, found.value());
    return m_recent.front().state;
}

std::shared_ptr<OpenFolder> FolderCache::insert(const QString &path, std::shared_ptr<const sys::Folder> folder)
{
    auto state = std::make_shared<OpenFolder>();
    state->folder = std::move(folder);
    state->opened = ++m_opened;
    state->made = m_madeByPath.value(path, -1);
    m_recent.push_front({path, state});
    m_byPath.insert(path, m_recent.begin());
    while (static_cast<int>(m_recent.size()) > m_capacity) {
        m_byPath.remove(m_recent.back().path);
        m_recent.pop_back();
    }
    return state;
}

// The folder the user named, made with its missing parents where allowed.
sys::Error FolderCache::openAnchor(const QString &path, MakeFolders make, std::shared_ptr<sys::Folder> &folder)
{
    folder = std::make_shared<sys::Folder>();
    sys::Error error = sys::openFolder(fs::toNative(path), *folder);
    if (error.cause != Cause::NotFound || make != MakeFolders::All)
        return error;
    // Up to the nearest folder that is there, then down again making each,
    // along the path as the system resolves it ("Z:data" is a folder of Z:).
    sys::String resolved;
    if ((error = sys::fullPath(fs::toNative(path), resolved)))
        return error;
    const QString full = fs::withSeparator(fs::fromNative(resolved));
    const QString existing = nearestExistingFolder(fs::parentFolder(full));
    sys::Folder top;
    if ((error = sys::openFolder(fs::toNative(existing.isEmpty() ? QStringLiteral("./") : existing), top)))
        return error;
    auto current = std::make_shared<sys::Folder>(std::move(top));
    QString at = existing;
    for (const QString &name : components(QStringView(full).sliced(existing.size()))) {
        auto next = std::make_shared<sys::Folder>();
        bool made = false;
        if ((error = openOrMake(*current, name, true, *next, made)))
            return error;
        if (made)
            noteMade(at, name, at.size()); // the folders above were named by the user: opened as a path
        at += name + u'/';
        current = std::move(next);
    }
    folder = std::move(current);
    return {};
}

sys::Error FolderCache::open(const QString &path, qsizetype anchor, MakeFolders make,
                             std::shared_ptr<OpenFolder> &opened)
{
    if ((opened = find(path)))
        return {};
    // From the nearest folder on the way that is open already, else from the anchor.
    QString start = fs::parentFolder(path);
    std::shared_ptr<OpenFolder> from;
    while (start.size() >= anchor && !start.isEmpty() && !(from = find(start)))
        start = fs::parentFolder(start);
    std::shared_ptr<const sys::Folder> current;
    if (from) {
        current = from->folder;
        opened = from;
    } else {
        start = path.left(anchor);
        std::shared_ptr<sys::Folder> top;
        if (const sys::Error error = openAnchor(start, make, top))
            return error;
        current = top;
        opened = insert(start, current);
    }
    QString at = start;
    for (const QString &name : components(QStringView(path).sliced(start.size()))) {
        auto next = std::make_shared<sys::Folder>();
        bool made = false;
        if (const sys::Error error = openOrMake(*current, name, make != MakeFolders::None, *next, made))
            return error;
        if (made)
            noteMade(at, name, anchor);
        at += name + u'/';
        current = std::move(next);
        opened = insert(at, current);
    }
    // Also under the path as it was asked for, where its separators differ.
    if (at != path) {
        opened = insert(path, current);
        opened->made = m_madeByPath.value(at, -1);
    }
    return {};
}

void FolderCache::noteMade(const QString &parent, const QString &name, qsizetype anchor)
{
    const int number = static_cast<int>(m_made.size());
    m_made.push_back({parent, name, anchor, m_madeByPath.value(parent, -1), false});
    m_madeByPath.insert(parent + name + u'/', number);
}

void FolderCache::markUsed(const OpenFolder &folder)
{
    for (int at = folder.made; at >= 0 && !m_made[static_cast<std::size_t>(at)].used;
         at = m_made[static_cast<std::size_t>(at)].above)
        m_made[static_cast<std::size_t>(at)].used = true;
}

void FolderCache::removeUnusedMadeFolders()
{
    for (auto made = m_made.rbegin(); made != m_made.rend(); ++made) {
        if (made->used)
            continue;
        // Closed first: Windows removes no folder that is open.
        const int number = static_cast<int>(m_made.rend() - made) - 1;
        for (auto node = m_recent.begin(); node != m_recent.end();) {
            if (node->state->made != number) {
                ++node;
                continue;
            }
            m_byPath.remove(node->path);
            node = m_recent.erase(node);
        }
        std::shared_ptr<OpenFolder> parent;
        const QString above = made->parent.isEmpty() ? QStringLiteral("./") : made->parent;
        if (!open(above, qMin(made->anchor, above.size()), MakeFolders::None, parent))
            (void)sys::removeSubfolder(*parent->folder, fs::toNative(made->name));
    }
    m_made.clear();
    m_madeByPath.clear();
}

sys::Error FolderCache::identity(OpenFolder &folder, sys::Identity &identity)
{
    if (!folder.identity) {
        sys::Status status;
        if (const sys::Error error = sys::statHandle(folder.folder->handle, status))
            return error;
        folder.identity = status.identity;
    }
    identity = *folder.identity;
    return {};
}

} // namespace hy3
