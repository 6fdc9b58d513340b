// hy3-converter: the converter's window. It reads no command line of its own.

#include "appearance.h"
#include "fs/native.h"
#include "wizard/frmdatinstdig.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

bool hasDisplay()
{
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
        || qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char *argv[])
{
    if (!hasDisplay()) {
        std::fputs("データバージョンUPコンバータ: 画面（DISPLAY）が見つからないため、ウィンドウを開けません。\n"
                   "デスクトップで起動するか、コマンドラインの hy3conv を使ってください。\n",
                   stderr);
        return EXIT_FAILURE;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"hy3-converter"_s);
    QApplication::setApplicationVersion(QStringLiteral(HY3_VERSION));
    QApplication::setWindowIcon(QIcon(u":/hy3/icon.png"_s));
    hy3::ui::installFontFallback();
    QApplication::setFont(hy3::ui::converterFont()); // message boxes too
    hy3::ui::installJapaneseTranslations(app);
    hy3::fs::native::removeTemporariesOnSignals(); // a killed batch leaves no half-written temporary

    hy3::ui::frmDatInstDig wizard;
    QObject::connect(&wizard, &hy3::ui::frmDatInstDig::ended, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    wizard.show();
    return app.exec();
}
