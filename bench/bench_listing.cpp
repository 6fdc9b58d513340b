// Listing a folder of 10,000 data files against a baseline that opens each of
// the same files and reads its first 64 bytes, measured in one run.
// Target: listing / baseline at most 1.5.

#include "benchutil.h"

#include "foldersearch.h"
#include "listing.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");
    constexpr int kFiles = 10000;
    for (int i = 0; i < kFiles; ++i)
        bench::writeHyoFile(dir.filePath(u"list%1.hyo"_s.arg(i, 5, 10, QChar(u'0'))), 3);

    int rows = 0;
    const double listing = bench::bestSeconds(5, [&] {
        rows = static_cast<int>(hy3::listDataFiles(dir.path(), hy3::DataKind::Standard).rows.size());
    });
    qint64 bytes = 0;
    const double baseline = bench::bestSeconds(5, [&] {
        bytes = 0;
        const QStringList names = QDir(dir.path()).entryList(QDir::Files, QDir::Unsorted);
        char head[64];
        for (const QString &name : names) {
            QFile file(dir.filePath(name));
            if (file.open(QIODevice::ReadOnly))
                bytes += file.read(head, sizeof head);
        }
    });
    if (rows != kFiles)
        qFatal("listed %d rows instead of %d", rows, kFiles);

    std::printf("listing a folder of %d .hyo files (best of 5)\n", kFiles);
    std::printf("  %-44s %9.3f s  %9.0f files/s\n", "listing", listing, kFiles / listing);
    std::printf("  %-44s %9.3f s  %9.0f files/s\n", "baseline (open, read 64 bytes)", baseline, kFiles / baseline);
    std::printf("  ratio listing/baseline: %.2f (target <= 1.50)\n", listing / baseline);
    return 0;
}
