// SPDX-License-Identifier: MIT
// hy3conv: the converter's command-line companion, for converting many
// folders from scripts with the same rules as the window.

#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "text/cp932.h"
#include "fs/sys.h"
#include "fs/tempfile.h"
#include "files/paths.h"

#include <QCoreApplication>

#include <atomic>

using namespace Qt::StringLiterals;

namespace {

std::atomic<bool> g_stop{false};

// The first interrupt asks the batch to stop after the group it is writing;
// the next one ends the program at once, its temporaries removed.
bool onInterrupt(int count) noexcept
{
    if (count == 1) {
        g_stop.store(true);
        return true;
    }
    hy3::fs::removeOwnTemporaries();
    return false;
}

// The arguments as the system gave them: on POSIX a byte that is not UTF-8
// (a path in cp932) is kept, so the file can be found; Windows hands them
// over as UTF-16 already.
QStringList arguments(int argc, char *argv[])
{
    if (hy3::fs::sys::kWindows)
        return QCoreApplication::arguments().mid(1);
    QStringList list;
    for (int i = 1; i < argc; ++i)
        list.append(hy3::fs::fromSystemBytes(QByteArrayView(argv[i])));
    return list;
}

int run(const hy3::cli::Request &request, hy3::cli::Console &console)
{
    using hy3::cli::Command;
    switch (request.command) {
    case Command::Overview:
        console.raw(hy3::cli::helpText().toUtf8());
        return console.flush() ? hy3::cli::ExitSuccess : hy3::cli::ExitFailure;
    case Command::Version:
        console.data(u"hy3conv "_s + QCoreApplication::applicationVersion());
        return console.flush() ? hy3::cli::ExitSuccess : hy3::cli::ExitFailure;
    default:
        break;
    }
    if (request.help) {
        console.raw(hy3::cli::helpText(request.command).toUtf8());
        return console.flush() ? hy3::cli::ExitSuccess : hy3::cli::ExitFailure;
    }
    switch (request.command) {
    case Command::Convert:
        return hy3::cli::runConvert(request, console, g_stop);
    case Command::List:
        return hy3::cli::runList(request, console);
    case Command::Show:
        return hy3::cli::runShow(request, console);
    default:
        return hy3::cli::ExitFailure;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"hy3conv"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(HY3_VERSION));
    hy3::fs::sys::onInterrupt(onInterrupt);
    hy3::fs::sys::keepRunningPastSizeLimit(); // a write past `ulimit -f` is a failure to report, not a death
    const hy3::fs::sys::Utf8Console utf8Console;

    hy3::cli::Console console;
    if (!hy3::cp932Available()) {
        console.message(hy3::cp932MissingMessage());
        return hy3::cli::ExitFailure;
    }
    try {
        return run(hy3::cli::parseCommandLine(arguments(argc, argv)), console);
    } catch (const hy3::cli::UsageError &error) {
        console.message(error.message);
        console.message(u"詳しくは hy3conv --help を参照してください。"_s);
        return hy3::cli::ExitUsage;
    }
}
