#include "cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace hy3 {

namespace {
// ICU's name for Microsoft's cp932 (Shift-JIS with the NEC and IBM extensions).
constexpr const char *kCodecName = "windows-31j";
} // namespace

QString decodeCp932(QByteArrayView bytes)
{
    QStringDecoder decoder(kCodecName);
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

QByteArray encodeCp932(QStringView text)
{
    QStringEncoder encoder(kCodecName);
    if (!encoder.isValid())
        return text.toLatin1();
    return encoder.encode(text);
}

} // namespace hy3
