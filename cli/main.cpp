// SPDX-License-Identifier: MIT
// hy3conv: the converter's command-line companion, for converting many
// folders from scripts with the same rules as the window.

#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "cp932.h"
#include "filesystem.h"
#include "fs/native.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// The arguments as the system gave them: on POSIX a byte that is not UTF-8
// (a path in cp932) is kept, so the file can be found.
QStringList arguments(int argc, char *argv[])
{
#ifdef Q_OS_UNIX
    QStringList list;
    for (int i = 1; i < argc; ++i)
        list.append(hy3::fs::fromNative(argv[i]));
    return list;
#else
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return QCoreApplication::arguments().mid(1);
#endif
}

bool standardErrorIsTerminal()
{
#ifdef Q_OS_UNIX
    return ::isatty(STDERR_FILENO) == 1;
#elif defined(Q_OS_WIN)
    return ::_isatty(_fileno(stderr)) != 0;
#else
    return false;
#endif
}

// A Japanese Windows console shows code page 932 unless told otherwise; the
// output is UTF-8, so the console is told so for the program's life.
class ConsoleCodePage
{
public:
    ConsoleCodePage()
    {
#ifdef Q_OS_WIN
        m_saved = GetConsoleOutputCP();
        SetConsoleOutputCP(CP_UTF8);
#endif
    }
    ~ConsoleCodePage()
    {
#ifdef Q_OS_WIN
        SetConsoleOutputCP(m_saved);
#endif
    }

private:
    unsigned m_saved = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"hy3conv"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(HY3_VERSION));
    hy3::fs::native::removeTemporariesOnSignals(); // Ctrl+C leaves no half-written temporary
    const ConsoleCodePage utf8Console;

    QFile standardOutput;
    (void)standardOutput.open(stdout, QIODevice::WriteOnly);
    QTextStream out(&standardOutput);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    hy3::cli::Console console(out, err, standardErrorIsTerminal());
    if (!hy3::cp932Available()) {
        console.message(hy3::cp932MissingMessage());
        return hy3::cli::ExitFailure;
    }
    try {
        const hy3::cli::Request request = hy3::cli::parseCommandLine(arguments(argc, argv));
        switch (request.command) {
        case hy3::cli::Request::Command::Help:
            out << hy3::cli::helpText();
            return hy3::cli::ExitSuccess;
        case hy3::cli::Request::Command::Version:
            out << u"hy3conv "_s << QCoreApplication::applicationVersion() << Qt::endl;
            return hy3::cli::ExitSuccess;
        case hy3::cli::Request::Command::Convert: {
            QFile input;
            (void)input.open(stdin, QIODevice::ReadOnly);
            return hy3::cli::runConvert(request, console, input);
        }
        case hy3::cli::Request::Command::List:
            return hy3::cli::runList(request, console);
        case hy3::cli::Request::Command::Show:
            return hy3::cli::runShow(request, console);
        }
    } catch (const hy3::cli::UsageError &error) {
        console.message(error.message);
        err << u"詳しくは hy3conv --help を参照してください。"_s << Qt::endl;
        return hy3::cli::ExitUsage;
    }
    return hy3::cli::ExitFailure;
}
