// SPDX-License-Identifier: MIT
#include "batch.h"
#include "dataerror.h"

#include <QTest>

#include <new>
#include <stdexcept>

using namespace Qt::StringLiterals;
using namespace hy3;

// What the driver asked for, in order.
struct Calls
{
    QList<std::pair<DataKind, QString>> conversions;
    QList<float> progress;
};

static QList<BatchRow> rows(const QList<bool> &selected)
{
    QList<BatchRow> list;
    for (int i = 1; i <= selected.size(); ++i)
        list.append({u"r%1.hyo"_s.arg(i), selected[i - 1]});
    return list;
}

static float share(int done, int of)
{
    return static_cast<float>(double(done) / double(of) * 100.0);
}

class TestBatch : public QObject
{
    Q_OBJECT

private slots:
    void run_data();
    void run();
    void failuresAreRecordedAndTheBatchGoesOn();
};

void TestBatch::run_data()
{
    QTest::addColumn<QList<bool>>("selected");
    QTest::addColumn<DataKind>("kind");
    QTest::addColumn<QStringList>("converted");
    QTest::addColumn<QList<float>>("progress");
    QTest::addColumn<BatchSummary::Outcome>("outcome");

    QTest::addRow("rows 2, 3 and 5 of five") << QList<bool>{false, true, true, false, true} << DataKind::Standard
                                             << QStringList{u"r2.hyo"_s, u"r3.hyo"_s, u"r5.hyo"_s}
                                             << QList<float>{0.0f, share(1, 3), share(2, 3), 100.0f}
                                             << BatchSummary::Outcome::Ran;
    QTest::addRow("private kind, two of two") << QList<bool>{true, true} << DataKind::Private
                                              << QStringList{u"r1.hyo"_s, u"r2.hyo"_s}
                                              << QList<float>{0.0f, 50.0f, 100.0f} << BatchSummary::Outcome::Ran;
    QTest::addRow("empty list") << QList<bool>{} << DataKind::Standard << QStringList{} << QList<float>{0.0f}
                                << BatchSummary::Outcome::EmptyList;
    QTest::addRow("nothing selected") << QList<bool>{false, false, false} << DataKind::Standard << QStringList{}
                                      << QList<float>{0.0f} << BatchSummary::Outcome::NoSelection;
}

void TestBatch::run()
{
    QFETCH(QList<bool>, selected);
    QFETCH(DataKind, kind);
    QFETCH(QStringList, converted);
    Calls calls;

    const BatchSummary summary = runBatch(
        rows(selected), kind, [&](DataKind k, const QString &name) { calls.conversions.append({k, name}); },
        [&](float value) { calls.progress.append(value); });

    QStringList names;
    for (const auto &[k, name] : calls.conversions) {
        QCOMPARE(k, kind);
        names.append(name);
    }
    QCOMPARE(names, converted);
    QTEST(calls.progress, "progress");
    QTEST(summary.outcome, "outcome");
    QCOMPARE(summary.converted, converted.size());
    QVERIFY(summary.failures.isEmpty());
}

// Failures thrown by a conversion and failures known only when the outputs
// are committed both count, in list order; the bar still ends at 100.
void TestBatch::failuresAreRecordedAndTheBatchGoesOn()
{
    Calls calls;
    const auto convert = [&](DataKind kind, const QString &name) {
        calls.conversions.append({kind, name});
        if (name == u"r2.hyo")
            throw DataError(Cause::Truncated, u"「r2.hyo」: 壊れています"_s);
        if (name == u"r3.hyo")
            throw std::runtime_error("boom");
        if (name == u"r4.hyo")
            throw std::bad_alloc();
    };
    const auto late = [] { return QList<BatchFailure>{{u"r5.hyo"_s, u"late"_s}, {u"r1.hyo"_s, u"late"_s}}; };

    const BatchSummary summary = runBatch(rows(QList<bool>(6, true)), DataKind::Standard, convert,
                                          [&](float value) { calls.progress.append(value); }, late);

    QCOMPARE(calls.conversions.size(), 6);
    QCOMPARE(summary.selected, 6);
    QCOMPARE(summary.converted, 1);
    QStringList failed;
    for (const BatchFailure &failure : summary.failures)
        failed.append(failure.fileName);
    QCOMPARE(failed, (QStringList{u"r1.hyo"_s, u"r2.hyo"_s, u"r3.hyo"_s, u"r4.hyo"_s, u"r5.hyo"_s}));
    QCOMPARE(summary.failures[1].message, u"「r2.hyo」: 壊れています"_s);
    QVERIFY(summary.failures[2].message.contains(u"r3.hyo"_s) && summary.failures[2].message.contains(u"boom"_s));
    QVERIFY(summary.failures[3].message.contains(u"メモリ"_s));
    QCOMPARE(calls.progress.last(), 100.0f);
}

QTEST_GUILESS_MAIN(TestBatch)
#include "tst_batch.moc"
