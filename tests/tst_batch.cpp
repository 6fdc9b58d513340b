#include "batch.h"
#include "dataerror.h"

#include <QTest>

#include <stdexcept>

using namespace Qt::StringLiterals;
using namespace hy3;

// A stand-alone list, option and bar in place of the window.
class FakeWindow : public BatchTarget
{
public:
    QStringList texts;
    QList<bool> selected;
    DataKind kind = DataKind::Standard;
    QStringList failing; // names whose conversion throws DataError
    QString throwingStd; // a name whose conversion throws a std::exception

    QList<std::pair<DataKind, QString>> conversions;
    QList<float> progress;
    int noSelectionMessages = 0;
    QStringList finished;

    int rowCount() const override { return static_cast<int>(texts.size()); }
    QString rowText(int row) const override { return texts.at(row - 1); }
    bool isRowSelected(int row) const override { return selected.at(row - 1); }
    DataKind chosenKind() const override { return kind; }
    void convert(DataKind k, const QString &oldName) override
    {
        conversions.append({k, oldName});
        if (failing.contains(oldName))
            throw DataError(u"「%1」: 壊れています"_s.arg(oldName));
        if (oldName == throwingStd)
            throw std::runtime_error("boom");
    }
    void showProgress(float value) override { progress.append(value); }
    void reportNoSelection() override { ++noSelectionMessages; }
    void fileFinished(const QString &oldName, const QString &error) override
    {
        finished.append(error.isEmpty() ? oldName : oldName + u" ×"_s);
    }
};

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
    void failureDoesNotEndTheBatch();
    void sameDestinationTwice_data();
    void sameDestinationTwice();
    void secondRunStartsAfresh();
};

void TestBatch::run_data()
{
    QTest::addColumn<QList<bool>>("selected");
    QTest::addColumn<DataKind>("kind");
    QTest::addColumn<QStringList>("converted");
    QTest::addColumn<QList<float>>("progress");
    QTest::addColumn<int>("messages");
    QTest::addColumn<BatchSummary::Outcome>("outcome");

    QTest::addRow("rows 2, 3 and 5 of five") << QList<bool>{false, true, true, false, true} << DataKind::Standard
                                             << QStringList{u"r2.hyo"_s, u"r3.hyo"_s, u"r5.hyo"_s}
                                             << QList<float>{0.0f, share(1, 3), share(2, 3), 100.0f} << 0
                                             << BatchSummary::Outcome::Ran;
    QTest::addRow("private kind") << QList<bool>{true, false} << DataKind::Private << QStringList{u"r1.hyo"_s}
                                  << QList<float>{0.0f, 100.0f} << 0 << BatchSummary::Outcome::Ran;
    QTest::addRow("empty list") << QList<bool>{} << DataKind::Standard << QStringList{} << QList<float>{0.0f} << 0
                                << BatchSummary::Outcome::EmptyList;
    QTest::addRow("nothing selected") << QList<bool>{false, false, false} << DataKind::Standard << QStringList{}
                                      << QList<float>{0.0f} << 1 << BatchSummary::Outcome::NoSelection;
    QTest::addRow("all of seven") << QList<bool>(7, true) << DataKind::Standard
                                  << QStringList{u"r1.hyo"_s, u"r2.hyo"_s, u"r3.hyo"_s, u"r4.hyo"_s, u"r5.hyo"_s,
                                                 u"r6.hyo"_s, u"r7.hyo"_s}
                                  << QList<float>{0.0f, share(1, 7), share(2, 7), share(3, 7), share(4, 7),
                                                  share(5, 7), share(6, 7), 100.0f}
                                  << 0 << BatchSummary::Outcome::Ran;
}

void TestBatch::run()
{
    QFETCH(QList<bool>, selected);
    QFETCH(DataKind, kind);
    QFETCH(QStringList, converted);
    FakeWindow window;
    for (int i = 1; i <= selected.size(); ++i)
        window.texts.append(u"r%1.hyo"_s.arg(i));
    window.selected = selected;
    window.kind = kind;

    const BatchSummary summary = RunBatch(window);

    QStringList names;
    for (const auto &[k, name] : window.conversions) {
        QCOMPARE(k, kind);
        names.append(name);
    }
    QCOMPARE(names, converted);
    QTEST(window.progress, "progress");
    QTEST(window.noSelectionMessages, "messages");
    QTEST(summary.outcome, "outcome");
    QCOMPARE(summary.converted, converted.size());
    QVERIFY(summary.failures.isEmpty());
}

void TestBatch::failureDoesNotEndTheBatch()
{
    FakeWindow window;
    window.texts = {u"a.hyo"_s, u"b.hyo"_s, u"c.hyo"_s, u"d.hyo"_s};
    window.selected = {true, true, true, true};
    window.failing = {u"b.hyo"_s};
    window.throwingStd = u"c.hyo"_s;

    const BatchSummary summary = RunBatch(window);

    QCOMPARE(window.conversions.size(), 4);
    QCOMPARE(summary.converted, 2);
    QCOMPARE(summary.failures.size(), 2);
    QCOMPARE(summary.failures[0], (BatchFailure{u"b.hyo"_s, u"「b.hyo」: 壊れています"_s}));
    QCOMPARE(summary.failures[1].fileName, u"c.hyo"_s);
    QVERIFY(summary.failures[1].message.contains(u"c.hyo"_s));
    QCOMPARE(window.finished, (QStringList{u"a.hyo"_s, u"b.hyo ×"_s, u"c.hyo ×"_s, u"d.hyo"_s}));
    QCOMPARE(window.progress.last(), 100.0f);
}

void TestBatch::sameDestinationTwice_data()
{
    QTest::addColumn<QStringList>("failing");
    QTest::addColumn<int>("converted");
    QTest::addColumn<QStringList>("failedNames");
    QTest::addRow("second is refused") << QStringList{} << 2 << QStringList{u"ABC.HYO"_s};
    // Nothing was written for the first, so the second may write.
    QTest::addRow("first failed, second goes ahead") << QStringList{u"ABC.hyo"_s} << 2 << QStringList{u"ABC.hyo"_s};
}

void TestBatch::sameDestinationTwice()
{
    QFETCH(QStringList, failing);
    FakeWindow window;
    window.texts = {u"ABC.hyo"_s, u"x.hyo"_s, u"ABC.HYO"_s};
    window.selected = {true, true, true};
    window.failing = failing;

    const BatchSummary summary = RunBatch(window);

    QTEST(summary.converted, "converted");
    QStringList failed;
    for (const auto &failure : summary.failures)
        failed.append(failure.fileName);
    QTEST(failed, "failedNames");
    if (failing.isEmpty()) {
        QCOMPARE(window.conversions.size(), 2);
        const QString message = summary.failures.first().message;
        QVERIFY2(message.contains(u"ABC.HYO"_s) && message.contains(u"ABC.hyo"_s) && message.contains(u"ABC.hy3"_s),
                 qPrintable(message));
    }
    QCOMPARE(window.progress.last(), 100.0f);
}

void TestBatch::secondRunStartsAfresh()
{
    FakeWindow window;
    window.texts = {u"a.hyo"_s, u"b.hyo"_s, u"c.hyo"_s};
    window.selected = {true, true, true};
    (void)RunBatch(window);
    window.progress.clear();
    window.selected = {true, false, true};
    const BatchSummary second = RunBatch(window);
    QCOMPARE(window.progress, (QList<float>{0.0f, 50.0f, 100.0f}));
    QCOMPARE(second.selected, 2);
}

QTEST_GUILESS_MAIN(TestBatch)
#include "tst_batch.moc"
