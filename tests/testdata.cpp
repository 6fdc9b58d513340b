// SPDX-License-Identifier: MIT
#include "testdata.h"

#include "engine/engine.h"
#include "messages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

namespace testdata {

QByteArray le16(int value)
{
    const auto v = static_cast<quint16>(value);
    return QByteArray{1, static_cast<char>(v & 0xFF)} + QByteArray{1, static_cast<char>(v >> 8)};
}

hy3::HyoRecord hyoRecord(const QByteArray &name, int base)
{
    hy3::HyoRecord record;
    record.Name = name;
    for (int k = 1; k <= 72; ++k)
        record.Col(k) = static_cast<qint16>(base + k);
    return record;
}

hy3::HypRecord hypRecord(const QByteArray &name, int base, int ticketNo, int extra)
{
    hy3::HypRecord record;
    record.Name = name;
    record.TicketNo = static_cast<qint16>(ticketNo);
    record.Extra = static_cast<qint16>(extra);
    for (int k = 1; k <= 71; ++k)
        record.Col(k) = static_cast<qint16>(base + k);
    return record;
}

static QByteArray text(const QByteArray &name)
{
    return le16(static_cast<int>(name.size())) + name;
}

QByteArray encode(const QList<hy3::HyoRecord> &records)
{
    QByteArray bytes = le16(static_cast<int>(records.size()));
    for (const auto &record : records) {
        bytes += text(record.Name);
        for (int k = 1; k <= 72; ++k)
            bytes += le16(record.Col(k));
    }
    return bytes;
}

QByteArray encode(const QList<hy3::HypRecord> &records)
{
    QByteArray bytes = le16(static_cast<int>(records.size()));
    for (const auto &record : records) {
        bytes += text(record.Name) + le16(record.TicketNo) + le16(record.Extra);
        for (int k = 1; k <= 71; ++k)
            bytes += le16(record.Col(k));
    }
    return bytes;
}

QByteArray encodeHy3(const QList<hy3::Hy3Record> &records)
{
    QByteArray bytes = le16(static_cast<int>(records.size()));
    for (const auto &record : records) {
        bytes += text(record.Name) + le16(record.TicketNo);
        for (int k = 1; k <= 150; ++k)
            bytes += le16(record.Col(k));
    }
    return bytes;
}

QList<hy3::HyoRecord> manyHyoRecords(int count)
{
    QList<hy3::HyoRecord> records;
    records.reserve(count);
    for (int i = 1; i <= count; ++i)
        records.append(hyoRecord(QByteArray("R") + QByteArray::number(i).rightJustified(5, '0'), i % 1000));
    return records;
}

QList<hy3::HypRecord> manyHypRecords(int count)
{
    QList<hy3::HypRecord> records;
    records.reserve(count);
    for (int i = 1; i <= count; ++i)
        records.append(hypRecord(QByteArray("P") + QByteArray::number(i), i % 1000, i, -i));
    return records;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(file.errorString()));
    QCOMPARE(file.write(bytes), bytes.size());
    QVERIFY2(file.flush(), qPrintable(file.errorString()));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

FileSnapshot snapshot(const QString &path)
{
    return {readFile(path), QFileInfo(path).lastModified()};
}

hy3::Job job(const QString &source, const QString &destination, hy3::DataKind kind)
{
    return {hy3::fs::filePath(source), hy3::fs::filePath(destination), kind};
}

Converted convertFile(hy3::DataKind kind, const hy3::ConversionPaths &paths, const hy3::ColumnOptions &options)
{
    Converted converted;
    hy3::EngineSettings settings;
    settings.columns = options;
    hy3::Engine engine(settings, [&converted](const hy3::Outcome &outcome) { converted.outcome = outcome; });
    engine.add(job(paths.source, paths.destination, kind));
    engine.finish();
    switch (converted.outcome.result) {
    case hy3::Outcome::Result::Converted:
    case hy3::Outcome::Result::NoRecords:
        converted.records = converted.outcome.result == hy3::Outcome::Result::Converted ? converted.outcome.records : 0;
        break;
    default:
        converted.message = hy3::Messages::failureOf(converted.outcome);
        break;
    }
    return converted;
}

Workspace::Workspace()
{
    const QDir dir(m_dir.path());
    m_valid = m_dir.isValid() && dir.mkpath(QStringLiteral("src")) && dir.mkpath(QStringLiteral("dst"));
}

#ifdef HY3CONV_PATH // the fuzzer's seed writer shares these generators without the program
Run hy3conv(const QStringList &arguments, const std::function<void()> &childSetup, const QByteArray &input,
            const QStringList &environment)
{
    QProcess process;
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const QString &variable : environment)
        variables.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
    process.setProcessEnvironment(variables);
#ifdef Q_OS_UNIX
    if (childSetup)
        process.setChildProcessModifier(childSetup);
#else
    if (childSetup)
        qFatal("a child set-up runs on POSIX only");
#endif
    process.start(QStringLiteral(HY3CONV_PATH), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000)) // said in the failure: did not start, crashed, or hung
        return {-1, {}, process.errorString()};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
#endif

} // namespace testdata
