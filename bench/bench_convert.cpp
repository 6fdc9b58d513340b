// Conversion throughput against a copy baseline that reads the same sources and
// writes files of the same sizes the same (atomic) way, measured in one run:
//   (a) one .hyo file of 32,767 records
//   (b) 1,000 .hyo files of 100 records each
// and the peak memory of converting (a) in a process of its own.
// Targets: conversion / baseline at most 1.5 for both; peak memory under 64 MB.

#include "benchutil.h"

#include "conversionrun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const hy3::ColumnOptions kOptions{true, 5, true, 3, 100};

struct Sample
{
    QStringList names;
    QString source;
    QString destination;
};

Sample makeSample(const QString &root, const QString &tag, int files, int records)
{
    Sample sample{{}, root + u"/src-"_s + tag, root + u"/dst-"_s + tag};
    QDir().mkpath(sample.source);
    QDir().mkpath(sample.destination);
    for (int i = 0; i < files; ++i) {
        const QString name = u"data%1.hyo"_s.arg(i, 4, 10, QChar(u'0'));
        bench::writeHyoFile(sample.source + u'/' + name, records);
        sample.names.append(name);
    }
    return sample;
}

void convertAll(const Sample &sample)
{
    for (const QString &name : sample.names)
        (void)hy3::convertFile(hy3::DataKind::Standard, hy3::pathsFor(sample.source, sample.destination, name), kOptions);
}

void measure(const char *title, const Sample &sample, int repeats)
{
    convertAll(sample); // warm the cache and learn the output sizes
    QList<qint64> outputSizes;
    double megabytes = 0;
    for (const QString &name : sample.names) {
        const auto paths = hy3::pathsFor(sample.source, sample.destination, name);
        outputSizes.append(QFileInfo(paths.destination).size());
        megabytes += double(QFileInfo(paths.source).size() + outputSizes.last()) / 1e6;
    }

    const double conversion = bench::bestSeconds(repeats, [&] { convertAll(sample); });
    const auto copyAll = [&](void (*write)(const QString &, qint64)) {
        for (int i = 0; i < sample.names.size(); ++i) {
            bench::readWhole(sample.source + u'/' + sample.names[i]);
            write(sample.destination + u"/copy"_s + QString::number(i), outputSizes[i]);
        }
    };
    // The converter must replace results atomically, so the baseline does too;
    // the plain copy shows what that durability costs.
    const double baseline = bench::bestSeconds(repeats, [&] { copyAll(bench::writeAtomically); });
    const double plain = bench::bestSeconds(repeats, [&] { copyAll(bench::writePlain); });

    std::printf("%s (%.1f MB read + written per run, best of %d)\n", title, megabytes, repeats);
    bench::printRow("conversion", megabytes, conversion);
    bench::printRow("copy baseline (read, atomic write)", megabytes, baseline);
    bench::printRow("plain copy (read, write in place; for reference)", megabytes, plain);
    std::printf("  ratio conversion/baseline: %.2f (target <= 1.50)\n", conversion / baseline);
    std::printf("  ratio conversion/plain copy: %.2f\n\n", conversion / plain);
}

int convertOneForMemory(const QString &source, const QString &destination)
{
    const QFileInfo in(source);
    (void)hy3::convertFile(hy3::DataKind::Standard,
                           hy3::pathsFor(in.path(), destination, in.fileName()), kOptions);
    std::printf("%.1f\n", bench::peakMemoryMiB());
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == u"--convert-one")
        return convertOneForMemory(args[2], args[3]);

    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");
    const Sample big = makeSample(dir.path(), u"a"_s, 1, 32767);
    const Sample many = makeSample(dir.path(), u"b"_s, 1000, 100);

    measure("(a) one .hyo file of 32,767 records", big, 7);
    measure("(b) 1,000 .hyo files of 100 records", many, 3);

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {u"--convert-one"_s, big.source + u'/' + big.names.first(), big.destination});
    child.waitForFinished(-1);
    const QByteArray peak = child.readAllStandardOutput().trimmed();
    std::printf("peak memory converting (a): %s MiB (target < 64 MB)\n", peak.constData());
    return 0;
}
