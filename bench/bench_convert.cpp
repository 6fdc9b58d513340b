// SPDX-License-Identifier: MIT
// Conversion against what a user would otherwise run to get the same bytes
// onto the disk: a plain copy (read each source, write a new file of the
// output's bytes, no flush), and the same followed by one sync. Paired,
// alternating runs, with an untimed sync after every run.
//
//   bench_convert              the comparisons, the scaling row and peak memory
//   bench_convert --quick      fewer pairs, no 30,000-file rows
//   bench_convert --flush-choice   the three ways of flushing a group, quiet and busy disk

#include "benchutil.h"

#include "conversionrun.h"
#include "foldersearch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const hy3::ColumnOptions kOptions{true, 5, true, 3, 100};

// Converts the files as hy3conv does: one run, outputs committed in groups.
void convertAll(const QString &source, const QStringList &names, const QString &destination,
                hy3::GroupFlush flush = hy3::GroupLimits{}.flush)
{
    hy3::ConversionRun::Settings settings;
    settings.columns = kOptions;
    settings.group.flush = flush;
    hy3::ConversionRun run(settings);
    for (const QString &name : names)
        run.convert(hy3::DataKind::Standard, hy3::pathsFor(source, destination, name));
    if (!run.finish().isEmpty())
        qFatal("a conversion failed");
}

QByteArray readAll(const QByteArray &path)
{
    QByteArray bytes;
    const int file = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        qFatal("cannot read %s", path.constData());
    char block[65536];
    for (ssize_t n; (n = ::read(file, block, sizeof block)) > 0;)
        bytes.append(block, n);
    ::close(file);
    return bytes;
}

// The user's alternative: read each source, write the output's bytes into a
// new file, close it; optionally one sync at the end.
void plainCopy(const QString &source, const QStringList &names, const QList<QByteArray> &outputs,
               const QString &destination, bool syncAfter)
{
    for (int i = 0; i < names.size(); ++i) {
        (void)readAll(QFile::encodeName(source + u'/' + names[i]));
        const QByteArray path = QFile::encodeName(destination + u'/' + names[i].chopped(4) + u".hy3"_s);
        const int file = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (file < 0 || ::write(file, outputs[i].constData(), static_cast<size_t>(outputs[i].size())) != outputs[i].size())
            qFatal("cannot write %s", path.constData());
        ::close(file);
    }
    if (syncAfter)
        ::sync();
}

struct Sample
{
    QString source;
    QString destination;
    QStringList names;
    QList<QByteArray> outputs;
};

Sample makeSample(const QString &root, const QString &tag, int files, int records)
{
    Sample sample{root + u"/src-"_s + tag, root + u"/dst-"_s + tag, {}, {}};
    sample.names = bench::makeSources(sample.source, files, records);
    QDir().mkpath(sample.destination);
    for (const QString &name : sample.names) {
        qint16 count = 0;
        sample.outputs.append(hy3::convertBytes(hy3::DataKind::Standard, readAll(QFile::encodeName(sample.source + u'/' + name)),
                                                kOptions, name, count));
    }
    ::sync();
    return sample;
}

void compare(const char *label, const Sample &s, int pairs, bool syncAfter, double target,
             hy3::GroupFlush flush = hy3::GroupLimits{}.flush)
{
    const bench::Paired result = bench::paired(
        pairs, [&] { convertAll(s.source, s.names, s.destination, flush); },
        [&] { plainCopy(s.source, s.names, s.outputs, s.destination, syncAfter); },
        [&] { bench::clearAndSync(s.destination); });
    bench::printPaired(label, result, target);
}

void scaling(const QString &root, bool quick)
{
    std::printf("\nscaling: files of 10 records, median of 3 paired runs against copy + one sync\n");
    std::printf("  %8s %10s %12s %10s %8s %14s\n", "files", "seconds", "us per file", "baseline", "ratio", "peak MiB");
    for (const int files : {100, 1000, 10000, 30000}) {
        if (quick && files > 10000)
            break;
        const Sample s = makeSample(root, u"scale%1"_s.arg(files), files, 10);
        const bench::Paired result = bench::paired(
            3, [&] { convertAll(s.source, s.names, s.destination); },
            [&] { plainCopy(s.source, s.names, s.outputs, s.destination, true); },
            [&] { bench::clearAndSync(s.destination); });
        const QByteArray peak = bench::runSelf({u"--convert"_s, s.source, s.destination});
        bench::clearAndSync(s.destination);
        const double t = result.medianA();
        std::printf("  %8d %10.3f %12.1f %10.3f %8.2f %14s\n", files, t, t / files * 1e6, result.medianB(),
                    result.ratioMedian(), peak.constData());
        std::fflush(stdout);
        QDir(s.source).removeRecursively();
        QDir(s.destination).removeRecursively();
    }
}

void peakMemory(const QString &root)
{
    std::printf("\npeak memory of one input, converted in a process of its own (target < 32 MB)\n");
    const QString folder = root + u"/peak"_s;
    QDir().mkpath(folder + u"/out"_s);
    bench::writeHyoFile(folder + u"/records.hyo"_s, 32767);
    bench::writeHyoFile(folder + u"/names.hyo"_s, 32767, 4096);
    QFile zeros(folder + u"/zeros.hyo"_s); // a count of 1, then 1 GB that is never needed
    if (!zeros.open(QIODevice::WriteOnly) || zeros.write("\x01\x00", 2) != 2 || !zeros.resize(1LL << 30))
        qFatal("cannot write zeros.hyo");
    zeros.close();
    const QList<std::pair<const char *, QString>> inputs{
        {"32,767 records", u"records.hyo"_s},
        {"32,767 records with 4 KB names (134 MB)", u"names.hyo"_s},
        {"1 GB file whose count is 1", u"zeros.hyo"_s},
    };
    for (const auto &[label, name] : inputs) {
        const QByteArray peak = bench::runSelf({u"--convert"_s, folder, folder + u"/out"_s, name});
        std::printf("  %-48s %8s MiB\n", label, peak.constData());
        bench::clearAndSync(folder + u"/out"_s);
    }
    QDir(folder).removeRecursively();
}

// Child: converts the named files (all .hyo files when none) and prints its peak memory.
int convertInChild(const QStringList &args)
{
    QStringList names = args.mid(2);
    if (names.isEmpty())
        names = hy3::findFiles(args[0], u"*.hyo"_s);
    convertAll(args[0], names, args[1]);
    std::printf("%.1f\n", bench::peakMemoryMiB());
    return 0;
}

// The three ways of flushing a group, each against copy + one sync, on a
// quiet disk and while another job keeps writing to the same file system.
void flushChoice(const QString &root, int pairs)
{
    std::printf("\nflushing a group: 1,000 files of 100 records / copy + one sync (median of %d paired runs)\n", pairs);
    const Sample s = makeSample(root, u"flush"_s, 1000, 100);
    const QList<std::pair<const char *, hy3::GroupFlush>> ways{
        {"fdatasync per file, 4 threads", hy3::GroupFlush::Threads},
        {"fdatasync per file, in turn", hy3::GroupFlush::EachFile},
        {"syncfs once per group", hy3::GroupFlush::FileSystem},
    };
    for (const bool busy : {false, true}) {
        QProcess writer; // another job writing to the same disk all along
        if (busy) {
            writer.start(u"sh"_s, {u"-c"_s, u"while :; do dd if=/dev/zero of=%1/busy bs=1M count=256 2>/dev/null; done"_s.arg(root)});
            writer.waitForStarted();
        }
        for (const auto &[label, flush] : ways) {
            const QByteArray line = QByteArray(busy ? "busy disk, " : "quiet disk, ") + label;
            compare(line.constData(), s, pairs, true, 0, flush);
        }
        if (busy) {
            writer.kill();
            writer.waitForFinished();
            QFile::remove(root + u"/busy"_s);
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() >= 2 && args[0] == u"--convert")
        return convertInChild(args.mid(1));
    const bool quick = args.contains(u"--quick"_s);
    const int pairs = quick ? 3 : 7;

    QTemporaryDir dir(QDir::currentPath() + u"/bench-XXXXXX"_s); // on the disk users convert on, not tmpfs
    if (!dir.isValid())
        qFatal("no temporary folder");

    std::printf("conversion / what a user would otherwise run (median of %d paired runs, min-max)\n", pairs);
    std::printf("  %-48s %10s %10s\n", "", "ours", "baseline");
    const Sample many = makeSample(dir.path(), u"many"_s, 1000, 100);
    compare("1,000 files of 100 records / plain copy", many, pairs, false, 0);
    compare("1,000 files of 100 records / copy + one sync", many, pairs, true, 1.3);
    const Sample big = makeSample(dir.path(), u"big"_s, 1, 32767);
    compare("1 file of 32,767 records / plain copy", big, pairs, false, 0);
    compare("1 file of 32,767 records / copy + one sync", big, pairs, true, 1.5);

    if (args.contains(u"--flush-choice"_s)) {
        flushChoice(dir.path(), pairs);
        return 0;
    }
    scaling(dir.path(), quick);
    peakMemory(dir.path());
    return 0;
}
