// hy3conv: the converter's command-line companion, for converting many
// folders from scripts with the same rules as the window.

#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "filesystem.h"
#include "fs/native.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
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
#else
    return false;
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"hy3conv"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(HY3_VERSION));
    hy3::fs::native::removeTemporariesOnSignals(); // Ctrl+C leaves no half-written temporary

    QFile standardOutput;
    (void)standardOutput.open(stdout, QIODevice::WriteOnly);
    QTextStream out(&standardOutput);
    QTextStream err(stderr);
    hy3::cli::Console console(out, err, standardErrorIsTerminal());
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
