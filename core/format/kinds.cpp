// SPDX-License-Identifier: MIT
#include "format/kinds.h"

#include <array>

using namespace Qt::StringLiterals;

namespace hy3 {

namespace {

constexpr std::array<LayoutInfo, 3> kLayouts{{
    {Layout::Hyo, u".hyo", u"hyo", 72, false},
    {Layout::Hyp, u".hyp", u"hyp", 71, true},
    {Layout::Hy3, u".hy3", u"hy3", 150, true},
}};

} // namespace

const LayoutInfo &layoutInfo(Layout layout)
{
    return kLayouts[static_cast<std::size_t>(layout)];
}

Layout layoutOf(DataKind kind)
{
    return kind == DataKind::Standard ? Layout::Hyo : Layout::Hyp;
}

std::optional<Layout> layoutOf(QStringView fileName)
{
    for (const LayoutInfo &info : kLayouts) {
        if (fileName.endsWith(info.extension, Qt::CaseInsensitive))
            return info.layout;
    }
    return std::nullopt;
}

std::optional<DataKind> kindOf(Layout layout)
{
    switch (layout) {
    case Layout::Hyo:
        return DataKind::Standard;
    case Layout::Hyp:
        return DataKind::Private;
    case Layout::Hy3:
        break;
    }
    return std::nullopt;
}

std::optional<DataKind> kindNamed(QStringView id)
{
    for (const DataKind kind : {DataKind::Standard, DataKind::Private}) {
        if (id.compare(layoutInfo(layoutOf(kind)).id, Qt::CaseInsensitive) == 0)
            return kind;
    }
    return std::nullopt;
}

QString searchPattern(DataKind kind)
{
    return u'*' + layoutInfo(layoutOf(kind)).extension.toString();
}

} // namespace hy3
