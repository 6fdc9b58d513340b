// SPDX-License-Identifier: MIT
#pragma once

// The three layouts of data files and what sets them apart, in one table:
// the window, the listings, the conversions and hy3conv all read it here.

#include <QString>
#include <QStringView>

#include <optional>

namespace hy3 {

enum class DataKind {
    Standard, // .hyo, old standard data
    Private,  // .hyp, old private data
};

enum class Layout { Hyo, Hyp, Hy3 };

struct LayoutInfo
{
    Layout layout;
    QStringView extension; // ".hyo"
    QStringView id;        // "hyo": hy3conv's --kind and its JSON
    int columns;           // Col(1) to Col(columns)
    bool hasTicketNo;      // a TicketNo field of its own
};

[[nodiscard]] const LayoutInfo &layoutInfo(Layout layout);
[[nodiscard]] Layout layoutOf(DataKind kind);
// The layout a file name's extension says, letter case ignored.
[[nodiscard]] std::optional<Layout> layoutOf(QStringView fileName);
// The old kind a layout is; none for .hy3.
[[nodiscard]] std::optional<DataKind> kindOf(Layout layout);
// The kind hy3conv's --kind names ("hyo" or "hyp", letter case ignored).
[[nodiscard]] std::optional<DataKind> kindNamed(QStringView id);
// "*.hyo" or "*.hyp".
[[nodiscard]] QString searchPattern(DataKind kind);

inline constexpr int kOldColumnChoices = 72; // the old-column choosers offer 1 to 72 for both kinds
inline constexpr int kNewColumns = 150;

} // namespace hy3
