// SPDX-License-Identifier: MIT
// hy3-converter: the converter's window. Opened with a folder (a path or a
// file:// URL, as Explorer's context menu, a file manager or a drop on the
// icon gives it), it starts with that folder in the source field.

#include "appearance.h"
#include "text/cp932.h"
#include "fs/sys.h"
#include "fs/tempfile.h"
#include "messages.h"
#include "wizard/folderdrop.h"
#include "wizard/frmdatinstdig.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

// Where X11 or Wayland draws the window, a missing display is worth a clear
// word instead of Qt's own abort; Windows and macOS always have a screen.
bool hasDisplay()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
        || qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
#else
    return true;
#endif
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
    if (!hy3::cp932Available()) {
        QMessageBox::critical(nullptr, QString::fromUtf16(hy3::ui::kApplicationTitle), hy3::cp932MissingMessage());
        return EXIT_FAILURE;
    }
    // An interrupted or ended program leaves no half-written temporary, and a
    // write past the file-size limit is a failure to report, not a death.
    hy3::fs::sys::onInterrupt([](int) noexcept {
        hy3::fs::removeOwnTemporaries();
        return false;
    });
    hy3::fs::sys::keepRunningPastSizeLimit();

    hy3::ui::frmDatInstDig wizard;
    if (const QStringList arguments = QApplication::arguments().mid(1); !arguments.isEmpty())
        wizard.setSourceFolder(hy3::ui::folderFromArgument(arguments.first()));
    QObject::connect(&wizard, &hy3::ui::frmDatInstDig::ended, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    wizard.show();
    return app.exec();
}
