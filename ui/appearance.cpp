// SPDX-License-Identifier: MIT
#include "appearance.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace Qt::StringLiterals;

static void initUiResources()
{
    Q_INIT_RESOURCE(ui);
}

namespace hy3::ui {

namespace {
// The face the layout's pixel places were measured with.
const QString kLayoutFont = u"ＭＳ Ｐゴシック"_s;
}

QFont converterFont(qreal pointSize, bool bold)
{
    QFont font;
    font.setFamilies({kLayoutFont, u"IPAPGothic"_s});
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

void installFontFallback()
{
    QFont::insertSubstitutions(kLayoutFont, {u"IPAPGothic"_s, u"IPAゴシック"_s, u"MS PGothic"_s});
}

void initResources()
{
    initUiResources(); // the pictures live in a static library
}

bool installJapaneseTranslations(QApplication &app)
{
    // Where Qt was installed with its translations (Linux), or beside the
    // program, as the Windows package carries Qt's own Japanese texts.
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    auto *translator = new QTranslator(&app);
    if (!translator->load(japanese, u"qt"_s, u"_"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && !translator->load(japanese, u"qtbase"_s, u"_"_s, QCoreApplication::applicationDirPath() + u"/translations"_s)) {
        delete translator;
        return false;
    }
    QApplication::installTranslator(translator);
    return true;
}

} // namespace hy3::ui
