// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QString>

class QApplication;

namespace hy3::ui {

// The application's own title, also the title of its unexpected-error messages.
inline constexpr char16_t kApplicationTitle[] = u"データバージョンUPコンバータ";

// The layout was drawn for "ＭＳ Ｐゴシック"; IPAPGothic has the same metrics and
// stands in for it where it is missing.
[[nodiscard]] QFont converterFont(qreal pointSize = 9, bool bold = false);

// Makes the window's pictures available; safe to call more than once.
void initResources();

// Registers the font fallback; call once before any window is created.
void installFontFallback();

// Loads Qt's own Japanese texts (context menus, standard buttons). Returns false
// when the translation files are not installed.
bool installJapaneseTranslations(QApplication &app);

} // namespace hy3::ui
