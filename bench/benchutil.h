#pragma once

#include <QString>

#include <functional>

namespace bench {

// Writes a .hyo file of `records` records with names of 8 bytes.
void writeHyoFile(const QString &path, int records);

// Best wall time of `repeats` runs, in seconds; `prepare` runs untimed before each.
double bestSeconds(int repeats, const std::function<void()> &run, const std::function<void()> &prepare = {});

// Reads the file whole and returns its size; the bytes are dropped.
qint64 readWhole(const QString &path);

// Writes `size` bytes the way the converter writes a result: a new file
// committed atomically over the old one.
void writeAtomically(const QString &path, qint64 size);

// Writes `size` bytes straight into the file, without the atomic replacement.
void writePlain(const QString &path, qint64 size);

// Peak resident memory of this process so far, in MiB.
double peakMemoryMiB();

void printRow(const char *what, double megabytes, double seconds);

} // namespace bench
