// SPDX-License-Identifier: MIT
// The Windows code page 932 conversion (for a Qt without ICU), under wine.

#include "check.h"
#include "cp932_windows.h"

using namespace hy3::windows;

int main()
{
    struct Pair
    {
        std::u16string text;
        std::string bytes;
    };
    const Pair pairs[] = {
        {u"運賃", "\x89\x5E\x92\xC0"},
        {u"ABC 123", "ABC 123"},
        {u"ｶﾅ", "\xB6\xC5"},     // half-width katakana, one byte each
        {u"～", "\x81\x60"},     // the wave dash Windows writes
        {u"①", "\x87\x40"},      // an NEC special character
        {u"表", "\x95\x5C"},     // a trail byte that is also "\"
    };
    for (const Pair &pair : pairs) {
        CHECK(cp932ToUtf16(pair.bytes) == pair.text);
        CHECK(utf16ToCp932(pair.text) == pair.bytes);
    }
    CHECK(cp932ToUtf16("A\x81") == u"A\uFFFD");           // a lead byte without its trail
    CHECK(cp932ToUtf16("\x81\x20Z") == u"\uFFFD Z");      // a pair that is not cp932
    CHECK(utf16ToCp932(u"€") == "?");                     // not in cp932
    return finish("cp932 on Windows");
}
