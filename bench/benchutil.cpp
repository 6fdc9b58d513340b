// SPDX-License-Identifier: MIT
#include "benchutil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

extern char **environ;

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

void makeSources(const QString &folder, int files, int records)
{
    QDir().mkpath(folder);
    for (int i = 1; i <= files; ++i)
        writeHyoFile(folder + QStringLiteral("/data%1.hyo").arg(i, 6, 10, QChar(u'0')), records);
    ::sync();
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
double Paired::baselineSpread() const
{
    return *std::max_element(b.begin(), b.end()) / *std::min_element(b.begin(), b.end());
}

void printPaired(const char *label, const Paired &result, double target)
{
    std::printf("  %-44s %8.3f s %8.3f s   %.2f (%.2f-%.2f)   %.2f", label, result.medianA(), result.medianB(),
                result.ratioMedian(), result.ratioMin(), result.ratioMax(), result.baselineSpread());
    if (target > 0)
        std::printf("   <= %.2f %s", target, result.ratioMedian() <= target ? "met" : "MISSED");
    std::printf("\n");
    std::fflush(stdout);
}

double run(const QString &program, const QStringList &arguments, const QString &standardOutput)
{
    std::vector<QByteArray> words{QFile::encodeName(program)};
    for (const QString &argument : arguments)
        words.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, QFile::encodeName(standardOutput).constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        qFatal("cannot start %s", argv[0]);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        qFatal("%s %s failed (%d)", argv[0], argv.size() > 2 ? argv[1] : "", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void removeAndSync(const QString &folder)
{
    QDir(folder).removeRecursively();
    ::sync();
}

} // namespace bench
