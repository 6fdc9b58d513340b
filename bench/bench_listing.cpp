// SPDX-License-Identifier: MIT
// Listing a folder of data files against what the listing can't do without:
// enumerate the folder, then open each file, read 64 bytes and close it, with
// the system's calls and nothing else. Paired, alternating runs.

#include "benchutil.h"

#include "listing.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

int rawReadLoop(const QByteArray &folder)
{
    int files = 0;
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        qFatal("cannot open %s", folder.constData());
    const int folderHandle = ::dirfd(dir);
    char head[64];
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_type != DT_REG)
            continue;
        const int file = ::openat(folderHandle, entry->d_name, O_RDONLY | O_CLOEXEC);
        if (file < 0)
            continue;
        if (::read(file, head, sizeof head) > 0)
            ++files;
        ::close(file);
    }
    ::closedir(dir);
    return files;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int pairs = app.arguments().contains(u"--quick"_s) ? 3 : 9;
    QTemporaryDir dir(QDir::currentPath() + u"/bench-XXXXXX"_s);
    if (!dir.isValid())
        qFatal("no temporary folder");

    std::printf("listing / enumerate + open, read(64), close per file (median of %d paired runs, min-max)\n", pairs);
    for (const int files : {1000, 10000}) {
        const QString folder = dir.filePath(u"list%1"_s.arg(files));
        (void)bench::makeSources(folder, files, 3);
        int rows = 0;
        int read = 0;
        const bench::Paired result = bench::paired(
            pairs, [&] { rows = static_cast<int>(hy3::listDataFiles(folder, hy3::DataKind::Standard).rows.size()); },
            [&] { read = rawReadLoop(QFile::encodeName(folder)); }, [] {});
        if (rows != files || read != files)
            qFatal("listed %d rows and read %d files instead of %d", rows, read, files);
        const QByteArray label = QByteArray::number(files) + " files";
        bench::printPaired(label.constData(), result, files == 10000 ? 1.5 : 0);
    }
    return 0;
}
