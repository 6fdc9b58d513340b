// hy3conv: the converter's command-line companion, for converting many
// folders from scripts with the same rules as the window.

#include "commandline.h"
#include "commands.h"
#include "fs/native.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"hy3conv"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(HY3_VERSION));

    hy3::fs::native::removeTemporariesOnSignals(); // Ctrl+C leaves no half-written temporary
    QTextStream out(stdout);
    QTextStream err(stderr);
    try {
        const hy3::cli::Request request = hy3::cli::ParseCommandLine(app.arguments().mid(1));
        switch (request.command) {
        case hy3::cli::Request::Command::Help:
            out << hy3::cli::HelpText();
            return hy3::cli::ExitSuccess;
        case hy3::cli::Request::Command::Version:
            out << u"hy3conv "_s << QCoreApplication::applicationVersion() << Qt::endl;
            return hy3::cli::ExitSuccess;
        case hy3::cli::Request::Command::Convert:
            return hy3::cli::RunConvert(request, out, err);
        case hy3::cli::Request::Command::List:
            return hy3::cli::RunList(request, out, err);
        }
    } catch (const hy3::cli::UsageError &error) {
        err << u"hy3conv: "_s << error.message << Qt::endl
            << u"詳しくは hy3conv --help を参照してください。"_s << Qt::endl;
        return hy3::cli::ExitUsage;
    }
    return hy3::cli::ExitFailure;
}
