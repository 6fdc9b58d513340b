// SPDX-License-Identifier: MIT
#include "naturalorder.h"

#include <QCollator>
#include <QLocale>

namespace hy3 {

int naturalCompare(const QString &a, const QString &b)
{
    static const QCollator collator = [] {
        QCollator c(QLocale(QLocale::Japanese, QLocale::Japan));
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    const int order = collator.compare(a, b);
    return order != 0 ? order : QString::compare(a, b, Qt::CaseSensitive);
}

} // namespace hy3
