// SPDX-License-Identifier: MIT
#pragma once

#include "datafile.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace hy3::cli {

enum class Layout { Hyo, Hyp, Hy3 };

// The layout a file name's extension says, letter case ignored.
[[nodiscard]] std::optional<Layout> layoutOf(const QString &name);

// One data file to convert, list or show.
struct Job
{
    QString source; // the path to open
    QString label;  // how the file is named in plain output
    DataKind kind = DataKind::Standard;
    QString output; // convert: the .hy3 path
};

struct Expansion
{
    QList<Job> jobs;
    QStringList problems; // operands that are no data file or can't be read, as messages
    int emptyFolders = 0; // folder operands without a data file of the kinds asked for
};

// The data files the operands name: a file stands for itself (its kind from
// its extension), a folder for the data files in it in natural order, with
// `recursive` its sub-folders too. With an output folder each job's output is
// that folder plus the file's place under its operand plus stem + ".hy3".
[[nodiscard]] Expansion expandOperands(const QStringList &operands, std::optional<DataKind> kind, bool recursive,
                                       const QString &outputFolder = {});

// The folder-pair form: names relative to the source folder (all its data
// files of the kind when none is named), outputs into the destination folder.
[[nodiscard]] Expansion folderPairJobs(const QString &sourceFolder, const QString &destinationFolder, DataKind kind,
                                       const QStringList &names);

// The paths of a --files-from list: one per line (or per NUL), empty ones left out.
[[nodiscard]] QStringList pathsFromList(const QByteArray &bytes, bool nullSeparated);

} // namespace hy3::cli
