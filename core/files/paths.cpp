// SPDX-License-Identifier: MIT
#include "files/paths.h"

#include "text/cp932.h"

#include <QDir>

#include <algorithm>
#include <cstring>

using namespace Qt::StringLiterals;

namespace hy3::fs {

namespace {

bool isKeptByte(char16_t c)
{
    return c >= 0xDC80 && c <= 0xDCFF;
}

// One path component for showing: its kept bytes, and the bytes around them,
// decoded together as cp932 (a cp932 trail byte can look like ASCII). Only
// POSIX names keep bytes; Windows names are UTF-16 already.
QString shownComponent(QStringView component)
{
    if (!std::any_of(component.begin(), component.end(), [](QChar c) { return isKeptByte(c.unicode()); }))
        return component.toString();
    return decodeCp932(systemBytes(component.toString()));
}

} // namespace

sys::String toNative(const QString &path)
{
    return sys::fromUtf16({reinterpret_cast<const char16_t *>(path.utf16()), static_cast<std::size_t>(path.size())});
}

QString fromNative(const sys::String &name)
{
    return QString::fromStdU16String(sys::toUtf16(name));
}

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
    const sys::String native = toNative(path);
    return QByteArray(reinterpret_cast<const char *>(native.data()),
                      static_cast<qsizetype>(native.size() * sizeof(sys::Char)));
}

QString fromSystemBytes(QByteArrayView bytes)
{
    sys::String native(static_cast<std::size_t>(bytes.size()) / sizeof(sys::Char), sys::Char());
    std::memcpy(native.data(), bytes.data(), native.size() * sizeof(sys::Char));
    return fromNative(native);
}

bool isSeparator(QChar c)
{
    return sys::isSeparator(c.unicode());
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
