// SPDX-License-Identifier: MIT
#include "files/paths.h"

#include "format/cp932.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace hy3::fs {

namespace {

bool isKeptByte(char16_t c)
{
    return c >= 0xDC80 && c <= 0xDCFF;
}

#ifndef Q_OS_WIN
constexpr char16_t kKeptByte = 0xDC00; // U+DC80..U+DCFF: bytes 0x80..0xFF that are not UTF-8

// Length of the valid UTF-8 sequence at `at`, or 0 when it is not one.
int utf8Length(const unsigned char *s, std::size_t size, std::size_t at, char32_t &code)
{
    const unsigned char lead = s[at];
    int length = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (at + static_cast<std::size_t>(length) > size)
        return 0;
    for (int i = 1; i < length; ++i) {
        const unsigned char next = s[at + static_cast<std::size_t>(i)];
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}
#endif

// One path component for showing: its kept bytes, and the bytes around them,
// decoded together as cp932 (a cp932 trail byte can look like ASCII).
QString shownComponent(QStringView component)
{
    if (!std::any_of(component.begin(), component.end(), [](QChar c) { return isKeptByte(c.unicode()); }))
        return component.toString();
#ifdef Q_OS_WIN
    return component.toString(); // Windows names are UTF-16: nothing is kept as bytes
#else
    const sys::String bytes = toNative(component.toString());
    return decodeCp932(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
#endif
}

} // namespace

#ifdef Q_OS_WIN

sys::String toNative(const QString &path)
{
    return path.toStdWString();
}

QString fromNative(const sys::String &name)
{
    return QString::fromStdWString(name);
}

#else

sys::String toNative(const QString &path)
{
    sys::String bytes;
    bytes.reserve(static_cast<std::size_t>(path.size()));
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t c = path[i].unicode();
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (isKeptByte(c)) {
            bytes += static_cast<char>(c - kKeptByte);
        } else {
            char32_t code = c;
            if (QChar::isHighSurrogate(c) && i + 1 < path.size() && path[i + 1].isLowSurrogate())
                code = QChar::surrogateToUcs4(c, path[++i].unicode());
            else if (QChar::isSurrogate(c))
                code = 0xFFFD;
            const QByteArray utf8 = QString::fromUcs4(&code, 1).toUtf8();
            bytes.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        }
    }
    return bytes;
}

QString fromNative(const sys::String &name)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(name.data());
    QString text;
    text.reserve(static_cast<qsizetype>(name.size()));
    for (std::size_t at = 0; at < name.size();) {
        char32_t code = 0;
        const int length = utf8Length(bytes, name.size(), at, code);
        if (length == 0) {
            text += QChar(static_cast<char16_t>(kKeptByte + bytes[at]));
            ++at;
            continue;
        }
        if (code < 0x10000) {
            text += QChar(static_cast<char16_t>(code));
        } else {
            text += QChar(QChar::highSurrogate(code));
            text += QChar(QChar::lowSurrogate(code));
        }
        at += static_cast<std::size_t>(length);
    }
    return text;
}

#endif

QString shown(const QString &path)
{
    QString shown;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= path.size(); ++i) {
        if (i == path.size() || isSeparator(path[i])) {
            shown += shownComponent(QStringView(path).sliced(start, i - start));
            if (i < path.size())
                shown += path[i];
            start = i + 1;
        }
    }
    return QDir::toNativeSeparators(shown);
}

bool hasLostCharacters(const QString &path)
{
    return path.contains(QChar::ReplacementCharacter);
}

bool hasKeptBytes(const QString &path)
{
    return std::any_of(path.begin(), path.end(), [](QChar c) { return isKeptByte(c.unicode()); });
}

QByteArray systemBytes(const QString &path)
{
#ifdef Q_OS_WIN
    return QByteArray(reinterpret_cast<const char *>(path.utf16()), path.size() * 2);
#else
    const sys::String bytes = toNative(path);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
#endif
}

QString fromSystemBytes(QByteArrayView bytes)
{
#ifdef Q_OS_WIN
    return QString(reinterpret_cast<const QChar *>(bytes.data()), bytes.size() / 2);
#else
    return fromNative(sys::String(bytes.data(), static_cast<std::size_t>(bytes.size())));
#endif
}

bool isSeparator(QChar c)
{
#ifdef Q_OS_WIN
    return c == u'/' || c == u'\\';
#else
    return c == u'/';
#endif
}

bool endsWithSeparator(const QString &path)
{
    return !path.isEmpty() && isSeparator(path.back());
}

QString withSeparator(const QString &folder)
{
    return endsWithSeparator(folder) ? folder : folder + u'/';
}

QString parentFolder(const QString &folder)
{
    qsizetype slash = folder.size() - 2;
    while (slash >= 0 && !isSeparator(folder[slash]))
        --slash;
    return slash < 0 ? QString() : folder.left(slash + 1);
}

PathParts splitPath(const QString &path)
{
    qsizetype slash = path.size() - 1;
    while (slash >= 0 && !isSeparator(path[slash]))
        --slash;
    if (slash < 0)
        return {u"./"_s, path};
    return {path.left(slash + 1), path.mid(slash + 1)};
}

} // namespace hy3::fs
