// SPDX-License-Identifier: MIT
#include "fs/cp932_windows.h"

#include <windows.h>

namespace hy3::windows {

namespace {

constexpr UINT kCp932 = 932;

bool isLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

} // namespace

std::u16string cp932ToUtf16(std::string_view bytes)
{
    std::u16string text;
    text.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        const int length = isLeadByte(byte) && at + 1 < bytes.size() ? 2 : 1;
        wchar_t decoded[2];
        // One character at a time, so that a byte that is not cp932 is known
        // and becomes U+FFFD instead of the code page's own stand-in.
        const int n = MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, bytes.data() + at, length, decoded, 2);
        if (n <= 0 || (isLeadByte(byte) && length == 1)) {
            text += u'\uFFFD';
            at += 1;
            continue;
        }
        text.append(reinterpret_cast<const char16_t *>(decoded), static_cast<std::size_t>(n));
        at += static_cast<std::size_t>(length);
    }
    return text;
}

std::string utf16ToCp932(std::u16string_view text)
{
    if (text.empty())
        return {};
    const auto *wide = reinterpret_cast<const wchar_t *>(text.data());
    const int size = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide, size, nullptr, 0, "?", nullptr);
    std::string bytes(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
    if (needed > 0)
        WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide, size, bytes.data(), needed, "?", nullptr);
    return bytes;
}

} // namespace hy3::windows
