// SPDX-License-Identifier: MIT
#include "naturalorder.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <numeric>

namespace hy3 {

namespace {

const QCollator &collator()
{
    static const QCollator instance = [] {
        QCollator c(QLocale(QLocale::Japanese, QLocale::Japan));
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return instance;
}

} // namespace

int naturalCompare(const QString &a, const QString &b)
{
    const int order = collator().compare(a, b);
    return order != 0 ? order : QString::compare(a, b, Qt::CaseSensitive);
}

std::vector<std::size_t> naturalOrder(std::size_t count, const std::function<QString(std::size_t)> &nameAt)
{
    std::vector<QCollatorSortKey> keys;
    keys.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        keys.push_back(collator().sortKey(nameAt(i)));
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
