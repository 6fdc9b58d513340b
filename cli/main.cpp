// SPDX-License-Identifier: MIT
// hy3conv: the converter's command-line companion, for converting many
// folders from scripts with the same rules as the window.

#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "format/cp932.h"
#include "fs/sys.h"
#include "fs/tempfile.h"
#include "files/paths.h"

#include <QCoreApplication>

#include <atomic>
#include <cstdio>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

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
// (a path in cp932) is kept, so the file can be found.
QStringList arguments(int argc, char *argv[])
{
#ifdef Q_OS_WIN
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return QCoreApplication::arguments().mid(1);
#else
    QStringList list;
    for (int i = 1; i < argc; ++i)
        list.append(hy3::fs::fromNative(argv[i]));
    return list;
#endif
}

bool isTerminal(int fd)
{
#ifdef Q_OS_WIN
    return ::_isatty(fd) != 0;
#else
    return ::isatty(fd) == 1;
#endif
}

// A Japanese Windows console shows code page 932 unless told otherwise; the
// output is UTF-8, so the console is told so while the program runs.
class ConsoleCodePage
{
public:
    ConsoleCodePage()
    {
#ifdef Q_OS_WIN
        m_saved = GetConsoleOutputCP();
        SetConsoleOutputCP(CP_UTF8);
        _setmode(_fileno(stdout), _O_BINARY);
        _setmode(_fileno(stderr), _O_BINARY);
#endif
    }
    ~ConsoleCodePage()
    {
#ifdef Q_OS_WIN
        if (m_saved != 0)
            SetConsoleOutputCP(m_saved);
#endif
    }
    ConsoleCodePage(const ConsoleCodePage &) = delete;
    ConsoleCodePage &operator=(const ConsoleCodePage &) = delete;

private:
    unsigned m_saved = 0;
};

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
        return hy3::cli::runConvert(request, console, 0, g_stop);
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
    const ConsoleCodePage utf8Console;

    hy3::cli::Console console(1, 2, isTerminal(2));
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
