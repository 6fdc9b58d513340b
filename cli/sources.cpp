// SPDX-License-Identifier: MIT
#include "sources.h"

#include "filesystem.h"
#include "folderpath.h"
#include "foldersearch.h"
#include "listing.h"
#include "naturalorder.h"

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace native = fs::native;

namespace {

QList<DataKind> kindsOf(std::optional<DataKind> kind)
{
    return kind ? QList<DataKind>{*kind} : QList<DataKind>{DataKind::Standard, DataKind::Private};
}

QString outputPath(const QString &outputFolder, const QString &relativeFolder, const QString &name)
{
    return folderWithSeparator(outputFolder) + relativeFolder + destinationFileName(name);
}

// The data files of one folder in natural order, then (recursive) those of its
// sub-folders, each under its place relative to the operand.
void walk(const QString &folder, const QString &relative, std::optional<DataKind> kind, bool recursive,
          const QString &outputFolder, QList<Job> &jobs)
{
    QList<std::pair<QString, DataKind>> files;
    for (const DataKind k : kindsOf(kind)) {
        for (const QString &name : findFiles(folder, searchPattern(k)))
            files.append({name, k});
    }
    std::sort(files.begin(), files.end(), [](const auto &a, const auto &b) { return naturalLess(a.first, b.first); });
    for (const auto &[name, k] : files) {
        Job job{folder + name, relative + name, k, {}};
        if (!outputFolder.isNull())
            job.output = outputPath(outputFolder, relative, name);
        jobs.append(job);
    }
    if (!recursive)
        return;
    QStringList folders = findFolders(folder);
    std::sort(folders.begin(), folders.end(), naturalLess);
    for (const QString &sub : folders)
        walk(folder + sub + u'/', relative + sub + u'/', kind, recursive, outputFolder, jobs);
}

} // namespace

std::optional<Layout> layoutOf(const QString &name)
{
    if (name.endsWith(u".hyo"_s, Qt::CaseInsensitive))
        return Layout::Hyo;
    if (name.endsWith(u".hyp"_s, Qt::CaseInsensitive))
        return Layout::Hyp;
    if (name.endsWith(u".hy3"_s, Qt::CaseInsensitive))
        return Layout::Hy3;
    return std::nullopt;
}

Expansion expandOperands(const QStringList &operands, std::optional<DataKind> kind, bool recursive,
                         const QString &outputFolder)
{
    Expansion expansion;
    for (const QString &operand : operands) {
        native::Status status;
        if (const native::Error error = fs::statPath(operand, status)) {
            expansion.problems.append(
                fs::failure(error, u"「%1」を開けません（%2）"_s, operand).message());
            continue;
        }
        if (status.type == native::Type::Folder) {
            const qsizetype before = expansion.jobs.size();
            walk(folderWithSeparator(operand), QString(), kind, recursive, outputFolder, expansion.jobs);
            if (expansion.jobs.size() == before)
                ++expansion.emptyFolders;
            continue;
        }
        const QString name = fs::splitPath(operand).name;
        const std::optional<Layout> layout = layoutOf(name);
        if (!layout || *layout == Layout::Hy3) {
            expansion.problems.append(u"「%1」は旧データ（*.hyo / *.hyp）ではありません"_s.arg(fs::shown(operand)));
            continue;
        }
        const DataKind fileKind = *layout == Layout::Hyo ? DataKind::Standard : DataKind::Private;
        if (kind && *kind != fileKind)
            continue; // --kind filters
        Job job{operand, operand, fileKind, {}};
        if (!outputFolder.isNull())
            job.output = outputPath(outputFolder, QString(), name);
        expansion.jobs.append(job);
    }
    return expansion;
}

Expansion folderPairJobs(const QString &sourceFolder, const QString &destinationFolder, DataKind kind,
                         const QStringList &names)
{
    if (names.isEmpty()) {
        Expansion expansion;
        walk(folderWithSeparator(sourceFolder), QString(), kind, false, destinationFolder, expansion.jobs);
        if (expansion.jobs.isEmpty())
            expansion.emptyFolders = 1;
        return expansion;
    }
    Expansion expansion;
    for (const QString &name : names) {
        // A name with a folder part reads from there, but its output stays in
        // the destination folder.
        const QString base = fs::splitPath(name).name;
        Job job{folderWithSeparator(sourceFolder) + name, name, kind, {}};
        try {
            job.output = folderWithSeparator(destinationFolder) + destinationFileName(base);
        } catch (const DataError &error) {
            expansion.problems.append(error.message());
            continue;
        }
        expansion.jobs.append(job);
    }
    return expansion;
}

QStringList pathsFromList(const QByteArray &bytes, bool nullSeparated)
{
    QStringList paths;
    for (QByteArray line : bytes.split(nullSeparated ? '\0' : '\n')) {
        if (!nullSeparated && line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
#ifdef Q_OS_WIN
        paths.append(QString::fromUtf8(line)); // lists written on Windows by today's tools are UTF-8
#else
        paths.append(fs::fromNative(fs::native::String(line.constData(), static_cast<std::size_t>(line.size()))));
#endif
    }
    return paths;
}

} // namespace hy3::cli
