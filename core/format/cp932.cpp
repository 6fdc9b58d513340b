// SPDX-License-Identifier: MIT
#include "format/cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

#ifdef Q_OS_WIN
#include "fs/cp932_windows.h"
#endif

namespace hy3 {

namespace {

// ICU's name for Microsoft's cp932 (Shift-JIS with the NEC and IBM extensions).
constexpr const char *kCodecName = "windows-31j";

enum class Backend { Icu, WindowsCodePage, None };

Backend backend()
{
    static const Backend chosen = [] {
        if (QStringDecoder(kCodecName).isValid())
            return Backend::Icu;
#ifdef Q_OS_WIN
        return Backend::WindowsCodePage;
#else
        return Backend::None;
#endif
    }();
    return chosen;
}

} // namespace

bool cp932Available()
{
    return backend() != Backend::None;
}

QString decodeCp932(QByteArrayView bytes)
{
    if (backend() == Backend::Icu) {
        // Opening an ICU converter costs more than most names take to decode.
        thread_local QStringDecoder decoder(kCodecName);
        decoder.resetState();
        return decoder.decode(bytes);
    }
#ifdef Q_OS_WIN
    if (backend() == Backend::WindowsCodePage)
        return QString::fromStdU16String(windows::cp932ToUtf16({bytes.data(), static_cast<std::size_t>(bytes.size())}));
#endif
    return QString(bytes.size(), QChar::ReplacementCharacter); // never a guess
}

QByteArray encodeCp932(QStringView text)
{
    if (backend() == Backend::Icu) {
        thread_local QStringEncoder encoder(kCodecName);
        encoder.resetState();
        return encoder.encode(text);
    }
#ifdef Q_OS_WIN
    if (backend() == Backend::WindowsCodePage) {
        const std::string bytes = windows::utf16ToCp932(
            {reinterpret_cast<const char16_t *>(text.utf16()), static_cast<std::size_t>(text.size())});
        return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
#endif
    return QByteArray(text.size(), '?');
}

QString cp932MissingMessage()
{
    return QStringLiteral("この環境には cp932（Shift-JIS）の文字コード変換がないため、データの名前を正しく表示できません。"
                          "変換を始めずに終了します。ICU を含む Qt で作り直してください。");
}

} // namespace hy3
