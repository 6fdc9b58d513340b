// SPDX-License-Identifier: MIT
// Writes a small seed corpus for fuzz_readers with the tests' generators.

#include "fuzzinput.h"
#include "testdata.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(folder.path());
    const hy3::ColumnOptions none;
    const hy3::ColumnOptions both{true, 5, true, 3, 100};
    const QList<std::pair<QString, QByteArray>> seeds{
        {u"hyo-three"_s, fuzzinput::optionBytes(false, none) + testdata::encode(testdata::manyHyoRecords(3))},
        {u"hyo-options"_s, fuzzinput::optionBytes(false, both) + testdata::encode(testdata::manyHyoRecords(2))},
        {u"hyp-two"_s, fuzzinput::optionBytes(true, both) + testdata::encode(testdata::manyHypRecords(2))},
        {u"hyo-empty-name"_s, fuzzinput::optionBytes(false, none) + testdata::encode(QList<hy3::HyoRecord>{hy3::HyoRecord{}})},
        {u"zero"_s, fuzzinput::optionBytes(false, none) + testdata::le16(0)},
        {u"negative"_s, fuzzinput::optionBytes(true, none) + testdata::le16(-1)},
        {u"truncated"_s, fuzzinput::optionBytes(false, none) + testdata::encode(testdata::manyHyoRecords(2)).chopped(5)},
    };
    for (const auto &[name, bytes] : seeds) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
            return 1;
    }
    return 0;
}
