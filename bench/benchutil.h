// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace bench {

// Writes a .hyo file of `records` records with names of `nameBytes` bytes.
void writeHyoFile(const QString &path, int records, int nameBytes = 8);

// A folder of `files` .hyo files of `records` records each, named data00001.hyo...
void makeSources(const QString &folder, int files, int records);

// Wall time of one run, in seconds.
double seconds(const std::function<void()> &run);

// Runs `a` and `b` alternately (a b a b ...) `pairs` times after one untimed
// warm-up of each; `between` runs untimed after every run.
struct Paired
{
    std::vector<double> a;
    std::vector<double> b;

    [[nodiscard]] double medianA() const;
    [[nodiscard]] double medianB() const;
    // Median, smallest and largest of the per-pair ratios a / b.
    [[nodiscard]] double ratioMedian() const;
    [[nodiscard]] double ratioMin() const;
    [[nodiscard]] double ratioMax() const;
    // How steady the baseline was: its slowest run over its fastest.
    [[nodiscard]] double baselineSpread() const;
};
Paired paired(int pairs, const std::function<void()> &a, const std::function<void()> &b,
              const std::function<void()> &between);

// Prints "  label   a s   b s   ratio median (min–max)   spread   target".
void printPaired(const char *label, const Paired &result, double target = 0);

// Runs a program to its end and returns its peak resident memory in MiB
// (from the kernel's own account of the child); stops the benchmark when it fails.
double run(const QString &program, const QStringList &arguments, const QString &standardOutput = QStringLiteral("/dev/null"));

// Removes a folder and flushes the system's dirty pages, so that the next
// run does not pay for the last one's writes.
void removeAndSync(const QString &folder);

} // namespace bench
