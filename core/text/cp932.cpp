// SPDX-License-Identifier: MIT
#include "text/cp932.h"

#include "fs/sys.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace hy3 {

namespace {

// ICU's name for Microsoft's cp932 (Shift-JIS with the NEC and IBM extensions).
constexpr const char *kCodecName = "windows-31j";

enum class Backend { Icu, System, None };

Backend backend()
{
    static const Backend chosen = [] {
        if (QStringDecoder(kCodecName).isValid())
            return Backend::Icu;
        return fs::sys::convertsCp932() ? Backend::System : Backend::None;
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
    if (backend() == Backend::System)
        return QString::fromStdU16String(fs::sys::decodeCp932({bytes.data(), static_cast<std::size_t>(bytes.size())}));
    return QString(bytes.size(), QChar::ReplacementCharacter); // never a guess
}

QByteArray encodeCp932(QStringView text)
{
    if (backend() == Backend::Icu) {
        thread_local QStringEncoder encoder(kCodecName);
        encoder.resetState();
        return encoder.encode(text);
    }
    if (backend() == Backend::System) {
        const std::string bytes = fs::sys::encodeCp932(
            {reinterpret_cast<const char16_t *>(text.utf16()), static_cast<std::size_t>(text.size())});
        return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    return QByteArray(text.size(), '?');
}

QString cp932MissingMessage()
{
    return QStringLiteral("この環境には cp932（Shift-JIS）の文字コード変換がないため、データの名前を正しく表示できません。"
                          "変換を始めずに終了します。ICU を含む Qt で作り直してください。");
}

} // namespace hy3
