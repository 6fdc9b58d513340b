// SPDX-License-Identifier: MIT
// The window's batch, from "変換実行" to its return, against the same files
// converted by the whole hy3conv process. Offscreen, paired, alternating runs
// with the destination emptied and the disk synced, untimed, between runs.
//
//   bench_window [--files N] [--pairs N]     (100,000 files and 3 pairs by default)

#include "benchutil.h"

#include "messagebox.h"
#include "wizard/frmdatinstdig.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
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

int option(const QStringList &args, const QString &name, int fallback)
{
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const int files = option(args, u"--files"_s, 100000);
    const int pairs = option(args, u"--pairs"_s, 3);
    const QString hy3conv = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(u"../cli/hy3conv"_s);
    hy3::ui::setMessageHandlerForTesting(
        [](const hy3::ui::Message &message) { qFatal("message: %s", qPrintable(message.prompt)); });
    QTemporaryDir dir(QDir::currentPath() + u"/bench-XXXXXX"_s);
    if (!dir.isValid())
        qFatal("no temporary folder");
    const QString source = dir.filePath(u"src"_s);
    const QString destination = dir.filePath(u"dst"_s);
    bench::makeSources(source, files, 3);
    QDir().mkpath(destination);

    QStandardPaths::setTestModeEnabled(true); // its records go to a test folder, not the user's
    hy3::ui::frmDatInstDig window;
    window.show();
    control<QLineEdit>(&window, u"Text1_0"_s)->setText(source);
    control<QLineEdit>(&window, u"Text1_1"_s)->setText(destination);
    QSignalSpy listed(&window, &hy3::ui::frmDatInstDig::listingFinished);
    control<QPushButton>(&window, u"Command1_0"_s)->click();
    if (!listed.wait(600000))
        qFatal("the listing did not end");
    control<QPushButton>(&window, u"Command3_0"_s)->click(); // select all
    QPushButton *convert = control<QPushButton>(&window, u"Command1_2"_s);
    QSignalSpy finished(&window, &hy3::ui::frmDatInstDig::batchFinished);

    const bench::Paired result = bench::paired(
        pairs,
        [&] {
            window.showPage(hy3::ui::frmDatInstDig::Page::FileList);
            convert->click(); // starts the batch; the window answers all along
            if (!finished.wait(600000))
                qFatal("the batch did not end");
        },
        [&] { bench::run(hy3conv, {u"convert"_s, u"-q"_s, u"--kind"_s, u"hyo"_s, source, destination}); },
        [&] {
            bench::removeAndSync(destination);
            QDir().mkpath(destination);
        });
    std::printf("the window's batch / the whole hy3conv process (median of %d paired runs, min-max, spread)\n", pairs);
    bench::printPaired(QByteArray::number(files).append(" files of 3 records").constData(), result, 1.1);
    return 0;
}
