// SPDX-License-Identifier: MIT
// Arbitrary bytes through the readers of both old layouts, as the conversion
// reads them, and through the listing's "count + first name" read.

#include "fuzzinput.h"

#include "format/dataerror.h"
#include "format/datafile.h"
#include "messages.h"

#include <QBuffer>

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const fuzzinput::Input input =
        fuzzinput::parse(QByteArrayView(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));

    bool headerRead = false;
    hy3::DataFileHeader header;
    QByteArray file = input.file.toByteArray();
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    try {
        header = hy3::readHeader(buffer);
        headerRead = true;
    } catch (const hy3::DataError &error) {
        check(error.cause() != hy3::Cause::None);
    }

    try {
        qint16 count = 0;
        const QByteArray output = hy3::convertBytes(input.kind, input.file, input.options, count);
        // A conversion that succeeds has read the count and the first name the same way.
        check(headerRead && count == header.count && count >= 0);
        check(output.size() == 2 || count > 0);
        if (count > 0) {
            const qsizetype nameField = 2 + header.firstName.size();
            check(input.file.size() >= 2 + nameField);
            check(output.mid(2, nameField) == input.file.sliced(2, nameField).toByteArray());
            check(output.size() >= 2 + count * 304);
        }
    } catch (const hy3::DataError &error) {
        // Every failure says why, and the words for it are never empty.
        check(error.cause() != hy3::Cause::None && !hy3::Messages::failure(u"fuzz.dat"_s, error.failure()).isEmpty());
    }
    return 0;
}
