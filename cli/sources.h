// SPDX-License-Identifier: MIT
#pragma once

#include "engine/job.h"
#include "files/foldercache.h"
#include "listing/foldersearch.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace hy3::cli {

// One thing the operands name: a data file (its job), or an operand or a
// folder on the way that can't be walked (its failure and path).
struct SourceItem
{
    Job job;         // convert: with its destination; list: destination empty
    QString label;   // how the file is named in plain output
    Failure failure; // set: nothing to do but report it, about `failedPath`
    QString failedPath;
    // The folder that holds the file, when the walk has it open: a listing
    // reads the file without opening the folder again.
    std::shared_ptr<const fs::sys::Folder> folder;
    // With `folder`: which of the walk's listings of a folder it came from
    // (counted from 1), and its place in that listing (see Sources::Listed).
    std::uint64_t listing = 0;
    std::size_t listedAt = 0;

    // The file or folder the item is about.
    [[nodiscard]] QString path() const { return failure ? failedPath : job.source.text(); }
};

// The data files the operands name, one at a time, so that any number of
// files takes little memory: a file stands for itself (its kind from its
// extension), a folder for the data files in it in natural order, with
// `recursive` its sub-folders too (links to folders are not followed).
// Folders are opened one by one below the operand, never through a link.
// With an output folder each job's output is that folder plus the file's
// place under its operand plus stem + ".hy3".
class Sources
{
public:
    using Operands = std::function<std::optional<QString>()>;

    Sources(Operands operands, std::optional<DataKind> kind, bool recursive, std::optional<QString> outputFolder);

    // The folder-pair form: names relative to the source folder (all its data
    // files of the kind when none is named), outputs into the destination folder.
    static Sources folderPair(const QString &sourceFolder, const QString &destinationFolder, DataKind kind,
                              const QStringList &names);

    [[nodiscard]] std::optional<SourceItem> next();
    // Called as soon as a folder's data files are listed, before they are
    // sorted: their items come next, every one, with this listing's number.
    using Listed = std::function<void(std::uint64_t listing, const std::shared_ptr<const fs::sys::Folder> &folder,
                                      const NameList &files)>;
    void setListed(Listed listed) { m_listed = std::move(listed); }
    // Hidden files (a leading dot; the hidden or system attribute on Windows)
    // of the folders walked so far that would otherwise have matched.
    [[nodiscard]] int hiddenFiles() const { return m_hiddenFiles; }

private:
    // A folder being walked: where its files come from and where their outputs go.
    struct Place
    {
        fs::FolderPath source;
        fs::FolderPath output;
        QString relative; // below the operand, ends in a separator or is empty: for labels
    };
    struct Level
    {
        Place place;
        NameList folders;               // its sub-folders
        std::vector<std::size_t> order; // their natural order
        std::size_t nextFolder = 0;     // in `order`
    };

    std::optional<SourceItem> fromOperand(const QString &operand);
    std::optional<SourceItem> enterFolder(const Place &place);
    SourceItem jobFor(const Place &place, const QString &name);
    QStringList patterns() const;

    Operands m_operands;
    std::optional<DataKind> m_kind;
    bool m_recursive = false;
    std::optional<fs::FolderPath> m_output;
    // The folder-pair form with names: they go into the output folder itself.
    bool m_flatNames = false;
    QString m_pairSource;

    FolderCache m_folders{std::clamp(fs::sys::openFileLimit() / 16, 2, 16)};
    std::vector<Level> m_levels;
    // The current folder's files, in natural order.
    NameList m_files;
    std::vector<std::size_t> m_order;
    std::size_t m_nextFile = 0;
    std::shared_ptr<const fs::sys::Folder> m_filesOpen;
    Place m_filesPlace;
    std::uint64_t m_listings = 0;
    Listed m_listed;
    int m_hiddenFiles = 0;
};

} // namespace hy3::cli
