// SPDX-License-Identifier: MIT
// The window's batch: which rows it converts, in what order, how the bar
// moves, what a failing file and a stop leave behind.

#include "engine/batch.h"
#include "testdata.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace hy3;

namespace {

float share(int done, int of)
{
    return static_cast<float>(double(done) / double(of) * 100.0);
}

} // namespace

class TestBatch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void run_data();
    void run();
    void stopCommitsWhatIsWrittenAndRunsNoMore_data();
    void stopCommitsWhatIsWrittenAndRunsNoMore();

private:
    // Five files r1 to r5 of each kind; r4 of each is cut short.
    BatchRequest request(const QList<bool> &selected, DataKind kind) const;
    QStringList outputs() const { return QDir(m_dir->dst()).entryList(QDir::Files | QDir::Hidden); }

    std::unique_ptr<testdata::Workspace> m_dir;
};

void TestBatch::init()
{
    m_dir = std::make_unique<testdata::Workspace>();
    QVERIFY(m_dir->isValid());
    for (int i = 1; i <= 5; ++i) {
        QByteArray hyo = testdata::encode(testdata::manyHyoRecords(i));
        QByteArray hyp = testdata::encode(testdata::manyHypRecords(i));
        if (i == 4) {
            hyo.chop(1);
            hyp.chop(1);
        }
        testdata::writeFile(m_dir->src() + u"/r%1.hyo"_s.arg(i), hyo);
        testdata::writeFile(m_dir->src() + u"/r%1.hyp"_s.arg(i), hyp);
    }
}

BatchRequest TestBatch::request(const QList<bool> &selected, DataKind kind) const
{
    BatchRequest request;
    for (int i = 1; i <= selected.size(); ++i)
        request.rows.append({u"r%1%2"_s.arg(i).arg(kind == DataKind::Standard ? u".hyo"_s : u".hyp"_s),
                             selected[i - 1]});
    request.kind = kind;
    request.sourceFolder = m_dir->src();
    request.destinationFolder = m_dir->dst();
    return request;
}

void TestBatch::run_data()
{
    QTest::addColumn<QList<bool>>("selected");
    QTest::addColumn<DataKind>("kind");
    QTest::addColumn<QStringList>("started");
    QTest::addColumn<QList<float>>("progress");
    QTest::addColumn<BatchSummary::Result>("result");
    QTest::addColumn<QStringList>("outputs");
    QTest::addColumn<int>("failed");

    QTest::addRow("rows 2, 3 and 5 of five") << QList<bool>{false, true, true, false, true} << DataKind::Standard
                                             << QStringList{u"r2.hyo"_s, u"r3.hyo"_s, u"r5.hyo"_s}
                                             << QList<float>{0.0f, share(1, 3), share(2, 3), 100.0f}
                                             << BatchSummary::Result::Ran
                                             << QStringList{u"r2.hy3"_s, u"r3.hy3"_s, u"r5.hy3"_s} << 0;
    QTest::addRow("private kind, two of two") << QList<bool>{true, true} << DataKind::Private
                                              << QStringList{u"r1.hyp"_s, u"r2.hyp"_s}
                                              << QList<float>{0.0f, 50.0f, 100.0f} << BatchSummary::Result::Ran
                                              << QStringList{u"r1.hy3"_s, u"r2.hy3"_s} << 0;
    QTest::addRow("a file cut short fails, the batch goes on")
        << QList<bool>{false, false, true, true, true} << DataKind::Standard
        << QStringList{u"r3.hyo"_s, u"r4.hyo"_s, u"r5.hyo"_s}
        << QList<float>{0.0f, share(1, 3), share(2, 3), 100.0f} << BatchSummary::Result::Ran
        << QStringList{u"r3.hy3"_s, u"r5.hy3"_s} << 1;
    QTest::addRow("empty list") << QList<bool>{} << DataKind::Standard << QStringList{} << QList<float>{0.0f}
                                << BatchSummary::Result::EmptyList << QStringList{} << 0;
    QTest::addRow("nothing selected") << QList<bool>{false, false, false} << DataKind::Standard << QStringList{}
                                      << QList<float>{0.0f} << BatchSummary::Result::NoSelection << QStringList{}
                                      << 0;
}

void TestBatch::run()
{
    QFETCH(QList<bool>, selected);
    QFETCH(DataKind, kind);
    QStringList started;
    QList<float> progress;
    BatchCallbacks callbacks;
    callbacks.starting = [&](const ConversionPaths &paths) { started.append(QFileInfo(paths.source).fileName()); };
    callbacks.progress = [&](float value) { progress.append(value); };

    const BatchSummary summary = runBatch(request(selected, kind), callbacks);

    QTEST(started, "started");
    QTEST(progress, "progress");
    QTEST(summary.result, "result");
    QTEST(outputs(), "outputs");
    QTEST(summary.tally.failed, "failed");
    QCOMPARE(summary.tally.converted, static_cast<int>(outputs().size()));
    if (summary.tally.failed > 0)
        QCOMPARE(summary.failures.first().failure.cause, Cause::Truncated);
}

void TestBatch::stopCommitsWhatIsWrittenAndRunsNoMore_data()
{
    QTest::addColumn<int>("stopDuring"); // the file being converted when 「中止」 is pressed
    QTest::addColumn<QStringList>("outputs");
    QTest::addRow("during the first") << 1 << QStringList{u"r1.hy3"_s};
    QTest::addRow("during the third") << 3 << QStringList{u"r1.hy3"_s, u"r2.hy3"_s, u"r3.hy3"_s};
}

// A stop lets the file being converted finish and its group be committed;
// the rest are not run, and are counted as such.
void TestBatch::stopCommitsWhatIsWrittenAndRunsNoMore()
{
    QFETCH(int, stopDuring);
    std::atomic<bool> stop{false};
    int startedCount = 0;
    BatchCallbacks callbacks;
    callbacks.starting = [&](const ConversionPaths &) {
        if (++startedCount == stopDuring)
            stop.store(true);
    };
    callbacks.stop = &stop;

    const BatchSummary summary = runBatch(request({true, true, true, false, true}, DataKind::Standard), callbacks);

    QCOMPARE(summary.result, BatchSummary::Result::Stopped);
    QTEST(outputs(), "outputs");
    QCOMPARE(summary.tally.converted, stopDuring);
    QCOMPARE(summary.tally.notRun, 4 - stopDuring);
    QCOMPARE(startedCount, stopDuring);
}

QTEST_GUILESS_MAIN(TestBatch)
#include "tst_batch.moc"
