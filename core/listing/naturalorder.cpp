// SPDX-License-Identifier: MIT
#include "listing/naturalorder.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

namespace hy3 {

namespace {

// One a thread: a QCollator sets itself up on first use, which two threads
// must not do to one collator at once (a walk counts files beside the one that
// converts them).
const QCollator &collator()
{
    thread_local const QCollator instance = [] {
        QCollator c(QLocale(QLocale::Japanese, QLocale::Japan));
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return instance;
}

// The name with each run of digits (full-width ones too) spelled so that
// collating it as text orders the numbers by value: the count of its digits
// without leading zeros, in two digits, then those digits ("7" → "017",
// "0120" → "03120"). Numbers are then ordered the same way on every system,
// whatever its collator makes of digits.
QString numbersSpelledForSorting(const QString &name)
{
    QString spelled;
    spelled.reserve(name.size() + 8);
    for (qsizetype i = 0; i < name.size();) {
        if (!name[i].isDigit()) {
            spelled.append(name[i++]);
            continue;
        }
        QString digits;
        for (; i < name.size() && name[i].isDigit(); ++i) {
            if (!digits.isEmpty() || name[i].digitValue() != 0)
                digits.append(QChar(u'0' + name[i].digitValue()));
        }
        if (digits.isEmpty())
            digits = u"0"_s;
        spelled.append(QString::number(std::min<qsizetype>(digits.size(), 99)).rightJustified(2, u'0'));
        spelled.append(digits);
    }
    return spelled;
}

} // namespace

int naturalCompare(const QString &a, const QString &b)
{
    const int order = collator().compare(numbersSpelledForSorting(a), numbersSpelledForSorting(b));
    return order != 0 ? order : QString::compare(a, b, Qt::CaseSensitive);
}

std::vector<std::size_t> naturalOrder(std::size_t count, const std::function<QString(std::size_t)> &nameAt)
{
    std::vector<QCollatorSortKey> keys;
    keys.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        keys.push_back(collator().sortKey(numbersSpelledForSorting(nameAt(i))));
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int byKey = keys[a].compare(keys[b]);
        if (byKey != 0)
            return byKey < 0;
        return QString::compare(nameAt(a), nameAt(b), Qt::CaseSensitive) < 0;
    });
    return order;
}

} // namespace hy3
