// SPDX-License-Identifier: MIT
#pragma once

#include <QDebug>
#include <QString>
#include <QStringList>

namespace hy3::fs {

// A folder as a batch reaches it, parsed once where the user's text comes in:
// the folder the user named, opened as a path (links on the way followed, as
// the user meant them), and the names below it, each opened on its own
// relative to the folder above, never through a link. Walked, joined and
// shown from its parts, never split again.
class FolderPath
{
public:
    FolderPath() = default;
    // The folder the text names, taken as it stands (spaces and all); a
    // separator is added where it has none, so an empty text is the root.
    explicit FolderPath(const QString &named);

    // The current folder, written as nothing: "a.hyo" stays "a.hyo".
    [[nodiscard]] static FolderPath current() { return {}; }

    // The sub-folder `name` of this folder.
    [[nodiscard]] FolderPath child(const QString &name) const;
    // The folder `depth` levels below the one named, on the way to this one.
    [[nodiscard]] FolderPath upTo(qsizetype depth) const;

    // The folder the user named, ending in a separator; empty: the current folder.
    [[nodiscard]] const QString &named() const { return m_named; }
    // The sub-folders below it, outermost first.
    [[nodiscard]] const QStringList &below() const { return m_below; }
    // The folder as one path, ending in a separator: named() + below(), each
    // followed by '/'. `depth` names only the first that many of below().
    [[nodiscard]] QString text(qsizetype depth = -1) const;

    friend bool operator==(const FolderPath &, const FolderPath &) = default;
    friend QDebug operator<<(QDebug debug, const FolderPath &folder) { return debug << folder.text(); }

private:
    QString m_named;
    QStringList m_below;
};

// A file in a folder.
struct FilePath
{
    FolderPath folder;
    QString name;

    [[nodiscard]] QString text() const { return folder.text() + name; }
    friend bool operator==(const FilePath &, const FilePath &) = default;
};

// The file a path names: its folder (named as a path; the current folder
// when it has none) and its name.
[[nodiscard]] FilePath filePath(const QString &path);

} // namespace hy3::fs
