// SPDX-License-Identifier: MIT
#pragma once

// Generators of data files for the tests, written independently of the
// library's own writer so that the two can check each other.

#include "engine/job.h"
#include "format/convert.h"
#include "format/datafile.h"
#include "listing/detaillisting.h"
#include "format/outputname.h"
#include "engine/outcome.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

namespace testdata {

QByteArray le16(int value);

// A .hyo record whose column k holds base + k, so every column is distinct.
hy3::HyoRecord hyoRecord(const QByteArray &name, int base = 0);
hy3::HypRecord hypRecord(const QByteArray &name, int base = 0, int ticketNo = 0, int extra = 0);

QByteArray encode(const QList<hy3::HyoRecord> &records);
QByteArray encode(const QList<hy3::HypRecord> &records);
QByteArray encodeHy3(const QList<hy3::Hy3Record> &records);

// Count n records named R0001.. with distinct column values.
QList<hy3::HyoRecord> manyHyoRecords(int count);
QList<hy3::HypRecord> manyHypRecords(int count);

void writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

// Bytes and modification time, to prove a source was not touched.
struct FileSnapshot
{
    QByteArray bytes;
    QDateTime modified;
    friend bool operator==(const FileSnapshot &, const FileSnapshot &) = default;
};
FileSnapshot snapshot(const QString &path);

// A job from two paths, each folder named as a whole (links on the way followed).
hy3::Job job(const QString &source, const QString &destination, hy3::DataKind kind = hy3::DataKind::Standard);

// One file converted at once, as the window does outside a batch: the records
// written (0: none), or -1 with the failure's message.
struct Converted
{
    int records = -1;
    QString message;
    hy3::Outcome outcome;
};
Converted convertFile(hy3::DataKind kind, const hy3::ConversionPaths &paths, const hy3::ColumnOptions &options = {});

// A fresh temporary folder holding the empty folders "src" and "dst".
class Workspace
{
public:
    Workspace();
    [[nodiscard]] bool isValid() const { return m_valid; }
    [[nodiscard]] QString path() const { return m_dir.path(); }
    [[nodiscard]] QString filePath(const QString &name) const { return m_dir.filePath(name); }
    [[nodiscard]] QString src() const { return m_dir.filePath(QStringLiteral("src")); }
    [[nodiscard]] QString dst() const { return m_dir.filePath(QStringLiteral("dst")); }

private:
    QTemporaryDir m_dir;
    bool m_valid = false;
};

// One run of the built hy3conv; `childSetup` runs in the child before exec
// (resource limits, signal dispositions; POSIX only); `input` is its standard input.
struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};
// `environment`: variables set for it ("NAME=value").
Run hy3conv(const QStringList &arguments, const std::function<void()> &childSetup = {}, const QByteArray &input = {},
            const QStringList &environment = {});

// Keeps the rows the detailed listing adds.
class DetailRowCollector : public hy3::DetailRowTarget
{
public:
    void addDetailRow(const QStringList &texts) override { rows.append(texts); }
    QList<QStringList> rows;
};

} // namespace testdata
