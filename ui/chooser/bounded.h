// SPDX-License-Identifier: MIT
#pragma once

#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace hy3::ui {

// Runs `work` on a thread of its own and waits for it at most `timeout`,
// the window answering meanwhile: a drive that does not answer (a stuck
// network mount) can't freeze the window. Nothing when it took longer; the
// work is then left to finish on its own, its result unused.
template <typename T>
std::optional<T> runBounded(std::function<T()> work, std::chrono::milliseconds timeout)
{
    struct State
    {
        std::mutex mutex;
        std::condition_variable done;
        std::optional<T> result;
    };
    auto state = std::make_shared<State>();
    std::thread([state, work = std::move(work)] {
        T result = work();
        const std::lock_guard lock(state->mutex);
        state->result = std::move(result);
        state->done.notify_all();
    }).detach();
    {
        // Most folders answer at once: no events are handled for them.
        std::unique_lock lock(state->mutex);
        if (state->done.wait_for(lock, std::chrono::milliseconds(50), [&] { return state->result.has_value(); }))
            return std::move(state->result);
    }
    QEventLoop loop;
    QTimer poll;
    const auto until = std::chrono::steady_clock::now() + timeout;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        const std::lock_guard lock(state->mutex);
        if (state->result || std::chrono::steady_clock::now() >= until)
            loop.quit();
    });
    poll.start(10);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    const std::lock_guard lock(state->mutex);
    return std::move(state->result);
}

} // namespace hy3::ui
