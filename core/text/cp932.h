// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace hy3 {

// Names in data files stay raw cp932 bytes; these two are only for showing a
// name to the user and for building a name from text. A round trip through
// Unicode is not byte-exact (duplicate NEC/IBM codes, invalid bytes), which is
// why the conversions never use it.

// True when a cp932 conversion exists: Qt's (with ICU), or the system's code
// page 932 on Windows. Without one, the programs say so and convert nothing.
[[nodiscard]] bool cp932Available();
// What the programs say when there is none.
[[nodiscard]] QString cp932MissingMessage();

// Invalid bytes come back as U+FFFD; never fails.
[[nodiscard]] QString decodeCp932(QByteArrayView bytes);

// Characters cp932 cannot hold become '?'.
[[nodiscard]] QByteArray encodeCp932(QStringView text);

} // namespace hy3
