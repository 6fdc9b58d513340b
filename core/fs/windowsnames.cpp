// SPDX-License-Identifier: MIT
#include "windowsnames.h"

#include <array>

namespace hy3::fs {

namespace {

char16_t upper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool equalsUpper(std::u16string_view text, std::u16string_view word)
{
    if (text.size() != word.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (upper(text[i]) != word[i])
            return false;
    }
    return true;
}

// 1 to 9, and the superscripts ¹ ² ³ that Windows also takes as digits there.
bool isPortDigit(char16_t c)
{
    return (c >= u'1' && c <= u'9') || c == u'\u00B9' || c == u'\u00B2' || c == u'\u00B3';
}

} // namespace

bool isReservedOnWindows(std::u16string_view name)
{
    if (name.empty())
        return false;
    if (name.back() == u'.' || name.back() == u' ')
        return true;
    // The device name is what comes before the first dot, spaces after it ignored.
    std::u16string_view stem = name.substr(0, name.find(u'.'));
    while (!stem.empty() && stem.back() == u' ')
        stem.remove_suffix(1);
    for (const std::u16string_view device : std::array<std::u16string_view, 4>{u"CON", u"PRN", u"AUX", u"NUL"}) {
        if (equalsUpper(stem, device))
            return true;
    }
    return stem.size() == 4 && (equalsUpper(stem.substr(0, 3), u"COM") || equalsUpper(stem.substr(0, 3), u"LPT"))
        && isPortDigit(stem[3]);
}

} // namespace hy3::fs
