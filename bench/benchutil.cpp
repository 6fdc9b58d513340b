#include "benchutil.h"

#include "datafile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>

#include <sys/resource.h>

#include <cstdio>
#include <limits>

namespace bench {

void writeHyoFile(const QString &path, int records)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    const auto write16 = [&file](int value) {
        const auto v = static_cast<quint16>(value);
        const char bytes[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
        file.write(bytes, 2);
    };
    write16(records);
    for (int r = 0; r < records; ++r) {
        write16(8);
        file.write(QByteArray::number(r).rightJustified(8, '0'));
        for (int k = 1; k <= 72; ++k)
            write16(r * 7 + k);
    }
}

double bestSeconds(int repeats, const std::function<void()> &run, const std::function<void()> &prepare)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < repeats; ++i) {
        if (prepare)
            prepare();
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    return best;
}

qint64 readWhole(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll().size();
}

void writeAtomically(const QString &path, qint64 size)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(QByteArray(size, '\0'));
    if (!file.commit())
        qFatal("cannot commit %s", qPrintable(path));
}

void writePlain(const QString &path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(QByteArray(size, '\0'));
}

double peakMemoryMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB on Linux
}

void printRow(const char *what, double megabytes, double seconds)
{
    std::printf("  %-44s %9.3f s  %9.1f MB/s\n", what, seconds, megabytes / seconds);
}

} // namespace bench
