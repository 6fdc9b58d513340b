// SPDX-License-Identifier: MIT
#pragma once

// How a fuzzer input is read: four bytes of options, then the data file.
//   byte 0: bit 0 private kind, bit 1 ticket-number option, bit 2 column-move option
//   byte 1: ticket column, byte 2: moved column, byte 3: target column
//   (all three as unsigned numbers, so out-of-range columns are tried too)

#include "format/convert.h"

#include <QByteArrayView>

namespace fuzzinput {

inline constexpr qsizetype kOptionBytes = 4;

struct Input
{
    hy3::DataKind kind = hy3::DataKind::Standard;
    hy3::ColumnOptions options;
    QByteArrayView file;
};

inline Input parse(QByteArrayView data)
{
    Input input;
    if (data.size() < kOptionBytes) {
        input.file = data;
        return input;
    }
    const auto byte = [&](int i) { return static_cast<unsigned char>(data[i]); };
    input.kind = (byte(0) & 1) ? hy3::DataKind::Private : hy3::DataKind::Standard;
    input.options = {(byte(0) & 2) != 0, byte(1), (byte(0) & 4) != 0, byte(2), byte(3)};
    input.file = data.sliced(kOptionBytes);
    return input;
}

inline QByteArray optionBytes(bool privateKind, const hy3::ColumnOptions &options)
{
    const char flags = static_cast<char>((privateKind ? 1 : 0) | (options.ticketNumber ? 2 : 0) | (options.moveColumn ? 4 : 0));
    QByteArray bytes;
    for (const int value : {int(flags), options.ticketColumn, options.moveFrom, options.moveTo})
        bytes.append(static_cast<char>(value));
    return bytes;
}

} // namespace fuzzinput
