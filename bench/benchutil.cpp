// SPDX-License-Identifier: MIT
#include "benchutil.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace bench {

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::vector<double> ratios(const Paired &result)
{
    std::vector<double> r;
    for (std::size_t i = 0; i < result.a.size(); ++i)
        r.push_back(result.a[i] / result.b[i]);
    return r;
}

} // namespace

void writeHyoFile(const QString &path, int records, int nameBytes)
{
    QByteArray bytes;
    const auto add16 = [&bytes](int value) {
        const auto v = static_cast<quint16>(value);
        bytes.append(static_cast<char>(v & 0xFF));
        bytes.append(static_cast<char>(v >> 8));
    };
    add16(records);
    for (int r = 0; r < records; ++r) {
        add16(nameBytes);
        bytes.append(QByteArray::number(r).rightJustified(nameBytes, '0').left(nameBytes));
        for (int k = 1; k <= 72; ++k)
            add16(r * 7 + k);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush())
        qFatal("cannot write %s", qPrintable(path));
}

QStringList makeSources(const QString &folder, int files, int records)
{
    QDir().mkpath(folder);
    QStringList names;
    for (int i = 1; i <= files; ++i) {
        const QString name = QStringLiteral("data%1.hyo").arg(i, 5, 10, QChar(u'0'));
        writeHyoFile(folder + u'/' + name, records);
        names.append(name);
    }
    return names;
}

double seconds(const std::function<void()> &run)
{
    QElapsedTimer timer;
    timer.start();
    run();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

Paired paired(int pairs, const std::function<void()> &a, const std::function<void()> &b,
              const std::function<void()> &between)
{
    Paired result;
    a();
    between();
    b();
    between();
    for (int i = 0; i < pairs; ++i) {
        result.a.push_back(seconds(a));
        between();
        result.b.push_back(seconds(b));
        between();
    }
    return result;
}

double Paired::medianA() const { return median(a); }
double Paired::medianB() const { return median(b); }
double Paired::ratioMedian() const { return median(ratios(*this)); }
double Paired::ratioMin() const
{
    const auto r = ratios(*this);
    return *std::min_element(r.begin(), r.end());
}
double Paired::ratioMax() const
{
    const auto r = ratios(*this);
    return *std::max_element(r.begin(), r.end());
}

void printPaired(const char *label, const Paired &result, double target)
{
    std::printf("  %-48s %8.3f s %8.3f s   ratio %.2f (%.2f-%.2f)", label, result.medianA(), result.medianB(),
                result.ratioMedian(), result.ratioMin(), result.ratioMax());
    if (target > 0)
        std::printf("   target <= %.2f %s", target, result.ratioMedian() <= target ? "met" : "MISSED");
    std::printf("\n");
    std::fflush(stdout);
}

void clearAndSync(const QString &folder)
{
    QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden))
        dir.remove(name);
    ::sync();
}

double peakMemoryMiB()
{
    // VmHWM, not getrusage's ru_maxrss: after fork and exec the latter still
    // counts the parent's memory.
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

QByteArray runSelf(const QStringList &arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(-1);
    return child.readAllStandardOutput().trimmed();
}

} // namespace bench
