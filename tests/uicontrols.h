// SPDX-License-Identifier: MIT
#pragma once

// Controls of a window found by their object names ("Command1_0"), as a user
// would find them by what they are, not through the window's members.

#include <QString>
#include <QWidget>
#include <QtGlobal>

// A control of the window itself, not of a dialog it owns (the folder
// chooser has a Command1_1 of its own).
template <typename T = QWidget>
T *control(const QWidget *window, const QString &name)
{
    for (T *found : window->findChildren<T *>(name)) {
        if (found->window() == window)
            return found;
    }
    qFatal("no control named %s", qPrintable(name));
    return nullptr;
}

template <typename T = QWidget>
T *control(const QWidget *window, const QString &array, int index)
{
    return control<T>(window, array + u'_' + QString::number(index));
}
