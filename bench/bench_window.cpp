// SPDX-License-Identifier: MIT
// The window's batch of 1,000 files, from "変換実行" to its return, against
// the same batch through the core alone (what hy3conv runs). Offscreen, paired,
// alternating runs with an untimed sync after every run.

#include "benchutil.h"

#include "batch.h"
#include "conversionrun.h"
#include "messages.h"
#include "wizard/frmdatinstdig.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

template <typename T>
T *control(QWidget *window, const QString &name)
{
    T *found = window->findChild<T *>(name);
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
}

void coreAlone(const QString &source, const QStringList &names, const QString &destination)
{
    hy3::ConversionRun run({});
    QList<hy3::BatchRow> rows;
    for (const QString &name : names)
        rows.append({name, true});
    const auto summary = hy3::runBatch(
        rows, hy3::DataKind::Standard,
        [&](hy3::DataKind kind, const QString &name) { run.convert(kind, hy3::pathsFor(source, destination, name), name); },
        [](float) {}, hy3::finishStep(run));
    if (summary.converted != names.size())
        qFatal("the core converted %d files", summary.converted);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int pairs = app.arguments().contains(u"--quick"_s) ? 3 : 7;
    hy3::ui::setMessageHandlerForTesting(
        [](const hy3::ui::Message &message) { qFatal("message: %s", qPrintable(message.prompt)); });
    QTemporaryDir dir(QDir::currentPath() + u"/bench-XXXXXX"_s);
    if (!dir.isValid())
        qFatal("no temporary folder");
    const QString source = dir.filePath(u"src"_s);
    const QString destination = dir.filePath(u"dst"_s);
    const QStringList names = bench::makeSources(source, 1000, 100);
    QDir().mkpath(destination);

    hy3::ui::frmDatInstDig window;
    window.show();
    control<QLineEdit>(&window, u"Text1_0"_s)->setText(source);
    control<QLineEdit>(&window, u"Text1_1"_s)->setText(destination);
    control<QPushButton>(&window, u"Command1_0"_s)->click(); // list
    control<QPushButton>(&window, u"Command3_0"_s)->click(); // select all
    QPushButton *convert = control<QPushButton>(&window, u"Command1_2"_s);

    const bench::Paired result = bench::paired(
        pairs, [&] {
            window.showPage(1);
            convert->click();
        },
        [&] { coreAlone(source, names, destination); }, [&] { bench::clearAndSync(destination); });
    std::printf("the window's batch / the same batch through the core alone (median of %d paired runs, min-max)\n", pairs);
    bench::printPaired("1,000 files of 100 records", result, 2.0);
    return 0;
}
