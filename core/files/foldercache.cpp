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
sys::Error FolderCache::openNamed(const QString &path, MakeFolders make, std::shared_ptr<sys::Folder> &folder,
                                  int &made)
{
    made = -1;
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
    fs::FolderPath at(existing.isEmpty() ? QStringLiteral("./") : existing); // the folders above were named too
    for (const QString &name : components(QStringView(full).sliced(existing.size()))) {
        auto next = std::make_shared<sys::Folder>();
        bool madeHere = false;
        if ((error = openOrMake(*current, name, true, *next, madeHere)))
            return error;
        made = -1;
        if (madeHere) {
            made = static_cast<int>(m_made.size());
            noteMade(at, name);
        }
        at = fs::FolderPath(at.text() + name);
        current = std::move(next);
    }
    folder = std::move(current);
    return {};
}

sys::Error FolderCache::open(const fs::FolderPath &path, MakeFolders make, std::shared_ptr<OpenFolder> &opened)
{
    const qsizetype depth = path.below().size();
    // From the deepest folder on the way that is open already, else from the one named.
    qsizetype at = depth;
    for (; at >= 0 && !(opened = find(path.text(at))); --at) {
    }
    if (at < 0) {
        std::shared_ptr<sys::Folder> top;
        int made = -1;
        const QString named = path.named().isEmpty() ? QStringLiteral("./") : path.named();
        if (const sys::Error error = openNamed(named, make, top, made))
            return error;
        if (made >= 0)
            m_madeByPath.insert(path.named(), made); // as the folders below it know it
        opened = insert(path.named(), std::move(top));
        at = 0;
    }
    for (; at < depth; ++at) {
        const QString &name = path.below()[at];
        auto next = std::make_shared<sys::Folder>();
        bool made = false;
        if (const sys::Error error = openOrMake(*opened->folder, name, make != MakeFolders::None, *next, made))
            return error;
        if (made)
            noteMade(path.upTo(at), name);
        opened = insert(path.text(at + 1), std::move(next));
    }
    return {};
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

void FolderCache::noteMade(const fs::FolderPath &parent, const QString &name)
{
    const int number = static_cast<int>(m_made.size());
    m_made.push_back({parent, name, m_madeByPath.value(parent.text(), -1), false});
    m_madeByPath.insert(parent.child(name).text(), number);
}

void FolderCache::markUsed(const OpenFolder &folder)
{
    for (int at = folder.made; at >= 0 && !m_made[static_cast<std::size_t>(at)].used;
         at = m_made[static_cast<std::size_t>(at)].above)
        m_made[static_cast<std::size_t>(at)].used = true;
}

void FolderCache::removeUnusedMadeFolders()
{
    for (int number = static_cast<int>(m_made.size()) - 1; number >= 0; --number) {
        const Made &made = m_made[static_cast<std::size_t>(number)];
        if (made.used)
            continue;
        // Closed first: Windows removes no folder that is open.
        for (auto node = m_recent.begin(); node != m_recent.end();) {
            if (node->state->made != number) {
                ++node;
                continue;
            }
            m_byPath.remove(node->path);
            node = m_recent.erase(node);
        }
        std::shared_ptr<OpenFolder> parent;
        if (!open(made.parent, MakeFolders::None, parent))
            (void)sys::removeSubfolder(*parent->folder, fs::toNative(made.name));
    }
    m_made.clear();
    m_madeByPath.clear();
}

} // namespace hy3
