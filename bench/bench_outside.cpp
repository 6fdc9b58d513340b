// SPDX-License-Identifier: MIT
// The converter as users run it, measured from outside: the whole hy3conv
// process (start, walk, sort, conversion, flush, output) against the floor of
// its own promise (bench_floor: the same bytes, made beforehand, written as
// the promise needs and no more), and against what users would otherwise run
// for the same bytes on the disk: `cp -r` followed by `sync`, and `cp -r` alone. Paired, alternating runs, each into a new
// folder, with the disk synced, untimed, between any two runs. Also the
// listing against a plain read loop, and the peak memory of long runs.
//
//   bench_outside [--quick] [--pairs N] [--only 1000|10000|1|rerun|list|memory] [--hy3conv PATH]
//   (--hy3conv: another build's hy3conv, for a before and after)

#include "benchutil.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString g_hy3conv;
QString g_readLoop;
QString g_floor;

void cp(const QString &source, const QString &destination, bool sync)
{
    bench::run(u"/bin/cp"_s, {u"-r"_s, source, destination});
    if (sync)
        bench::run(u"/bin/sync"_s, {});
}

// Each run writes a folder of its own and the disk is synced, untimed, after
// it: no run pays for removing the last one's files (a removal of thousands
// of files that reached the disk leaves the file system work that the next
// run's flushes would wait for). The folders go when the comparison is over.
void compareConversion(const char *label, const QString &root, const QString &source, int pairs)
{
    int runs = 0;
    const auto out = [&] { return root + u"/out%1"_s.arg(runs); };
    const auto ours = [&] { bench::run(g_hy3conv, {u"convert"_s, u"-q"_s, u"-o"_s, out(), source}); };
    const auto between = [&] {
        ++runs;
        ::sync();
    };
    const QByteArray floor = QByteArray(label) + " / the promise's floor";
    const QByteArray withSync = QByteArray(label) + " / cp -r + sync";
    const QByteArray alone = QByteArray(label) + " / cp -r";
    // The floor writes the bytes hy3conv made once, untimed.
    const QString reference = root + u"/reference"_s;
    bench::run(g_hy3conv, {u"convert"_s, u"-q"_s, u"-o"_s, reference, source});
    bench::printPaired(floor.constData(),
                       bench::paired(pairs, ours, [&] { bench::run(g_floor, {reference, out()}); }, between), 1.15);
    QDir(reference).removeRecursively();
    bench::printPaired(withSync.constData(), bench::paired(pairs, ours, [&] { cp(source, out(), true); }, between), 1.3);
    bench::printPaired(alone.constData(), bench::paired(pairs, ours, [&] { cp(source, out(), false); }, between));
    for (int run = 0; run <= runs; ++run)
        QDir(root + u"/out%1"_s.arg(run)).removeRecursively();
    ::sync();
}

// A re-run over outputs that are already right writes nothing: against the
// first run, which converts them.
void compareReRun(const QString &root, const QString &source, int pairs)
{
    const QString done = root + u"/done"_s;
    bench::run(g_hy3conv, {u"convert"_s, u"-q"_s, u"-o"_s, done, source});
    int runs = 0;
    const auto fresh = [&] { return root + u"/first%1"_s.arg(runs); };
    const auto again = [&] { bench::run(g_hy3conv, {u"convert"_s, u"-q"_s, u"-o"_s, done, source}); };
    const auto first = [&] { bench::run(g_hy3conv, {u"convert"_s, u"-q"_s, u"-o"_s, fresh(), source}); };
    const auto between = [&] {
        ++runs;
        ::sync();
    };
    bench::printPaired("re-run over 1,000 unchanged outputs / first run", bench::paired(pairs, again, first, between),
                       0.5);
    for (int run = 0; run <= runs; ++run)
        QDir(root + u"/first%1"_s.arg(run)).removeRecursively();
    QDir(done).removeRecursively();
    ::sync();
}

void memory(const QString &root, bool quick)
{
    std::printf("\npeak memory of the whole hy3conv process (target < 32 MiB)\n");
    for (const int files : quick ? QList<int>{30000} : QList<int>{30000, 100000}) {
        const QString source = root + u"/mem%1"_s.arg(files);
        bench::makeSources(source, files, 3);
        const QString out = root + u"/out"_s;
        const auto report = [&](const char *what, double mib) {
            std::printf("  %-44s %8.1f MiB   %s\n", QByteArray(what).replace("N", QByteArray::number(files)).constData(),
                        mib, mib < 32 ? "met" : "MISSED");
            std::fflush(stdout);
        };
        report("convert, N files", bench::run(g_hy3conv, {u"convert"_s, u"-q"_s, u"-o"_s, out, source}));
        bench::removeAndSync(out);
        report("convert --json, N files", bench::run(g_hy3conv, {u"convert"_s, u"--json"_s, u"-o"_s, out, source}));
        bench::removeAndSync(out);
        report("list --json, N files", bench::run(g_hy3conv, {u"list"_s, u"--json"_s, source}));
        QDir(source).removeRecursively();
    }
    const QString big = root + u"/big.hyo"_s;
    bench::writeHyoFile(big, 32767);
    std::printf("  %-44s %8.1f MiB\n", "show --json, one file of 32,767 records",
                bench::run(g_hy3conv, {u"show"_s, u"--json"_s, big}));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool quick = args.contains(u"--quick"_s);
    const auto option = [&args](const QString &name) {
        const qsizetype at = args.indexOf(name);
        return at >= 0 && at + 1 < args.size() ? args[at + 1] : QString();
    };
    // --make-sources FOLDER FILES RECORDS: only writes the sources (to look at one run with strace or perf).
    if (const qsizetype at = args.indexOf(u"--make-sources"_s); at >= 0 && at + 3 < args.size()) {
        bench::makeSources(args[at + 1], args[at + 2].toInt(), args[at + 3].toInt());
        return 0;
    }
    const int pairs = option(u"--pairs"_s).isEmpty() ? (quick ? 3 : 11) : option(u"--pairs"_s).toInt();
    const QString only = option(u"--only"_s);
    const auto runs = [&only](const QString &part) { return only.isEmpty() || only == part; };
    const QString here = QCoreApplication::applicationDirPath();
    g_hy3conv = QDir(here).absoluteFilePath(u"../cli/hy3conv"_s);
    if (!option(u"--hy3conv"_s).isEmpty())
        g_hy3conv = option(u"--hy3conv"_s);
    g_readLoop = QDir(here).absoluteFilePath(u"bench_readloop"_s);
    g_floor = QDir(here).absoluteFilePath(u"bench_floor"_s);

    QTemporaryDir dir(QDir::currentPath() + u"/bench-XXXXXX"_s); // on the disk users convert on, not tmpfs
    if (!dir.isValid())
        qFatal("no temporary folder");
    const QString root = dir.path();

    if (!runs(u"memory"_s) || only.isEmpty()) {
        std::printf("the whole hy3conv process / what a user would otherwise run: median of %d paired runs,\n"
                    "ratio median (min-max) and the baseline's own spread (slowest / fastest)\n", pairs);
        std::printf("  %-44s %10s %10s   %s\n", "", "hy3conv", "baseline", "ratio            spread");
    }
    if (runs(u"1000"_s) || runs(u"rerun"_s))
        bench::makeSources(root + u"/thousand"_s, 1000, 100);
    if (runs(u"1000"_s))
        compareConversion("1,000 files of 100 records", root, root + u"/thousand"_s, pairs);
    if (runs(u"rerun"_s))
        compareReRun(root, root + u"/thousand"_s, pairs);
    if (runs(u"10000"_s) || runs(u"list"_s))
        bench::makeSources(root + u"/tenthousand"_s, 10000, 3);
    if (runs(u"10000"_s))
        compareConversion("10,000 files of 3 records", root, root + u"/tenthousand"_s, pairs);
    if (runs(u"1"_s)) {
        QDir().mkpath(root + u"/one"_s);
        bench::writeHyoFile(root + u"/one/big.hyo"_s, 32767);
        compareConversion("1 file of 32,767 records", root, root + u"/one"_s, pairs);
    }
    if (runs(u"list"_s)) {
        const QString source = root + u"/tenthousand"_s;
        const auto list = [&] { bench::run(g_hy3conv, {u"list"_s, source}); };
        const auto loop = [&] { bench::run(g_readLoop, {source}); };
        bench::printPaired("list, 10,000 files / open+read(64)+close loop", bench::paired(pairs, list, loop, [] {}),
                           1.5);
    }
    if (runs(u"memory"_s))
        memory(root, quick);
    return 0;
}
