// SPDX-License-Identifier: MIT
#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <functional>
#include <thread>

namespace hy3::ui {

// Runs work that may take long or never return (a folder on a stuck network
// drive, a drive that does not answer) on a thread of its own, which is left
// to end by itself: nothing ever waits for it. `done` gets the result on the
// window's thread, if `receiver` is still there by then.
template <typename Result>
void runDetached(QObject *receiver, std::function<Result()> work, std::function<void(const Result &)> done)
{
    std::thread([receiver = QPointer<QObject>(receiver), work = std::move(work), done = std::move(done)] {
        Result result = work();
        if (QCoreApplication *app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app, [receiver, done, result = std::move(result)] {
                    if (receiver)
                        done(result);
                },
                Qt::QueuedConnection);
    }).detach();
}

} // namespace hy3::ui
