// SPDX-License-Identifier: MIT
#include "engine/batchrunner.h"

#include <QThread>

namespace hy3 {

BatchRunner::BatchRunner(QObject *parent)
    : QObject(parent)
{
}

BatchRunner::~BatchRunner()
{
    if (!m_thread)
        return;
    m_stop.store(true);
    m_thread->wait();
    delete m_thread;
}

void BatchRunner::start(const BatchRequest &request, Hooks hooks)
{
    if (m_thread)
        return;
    m_stop.store(false);
    update([](State &state) { state = {QString(), QString(), 0.0f, state.changes}; });
    m_thread = QThread::create([this, request, hooks = std::move(hooks)] {
        if (hooks.before)
            hooks.before();
        BatchCallbacks callbacks;
        callbacks.outcome = hooks.each;
        callbacks.stop = &m_stop;
        callbacks.starting = [this](const ConversionPaths &paths) {
            update([&paths](State &state) {
                state.source = paths.source;
                state.destination = paths.destination;
            });
        };
        callbacks.progress = [this](float value) { update([value](State &state) { state.progress = value; }); };
        m_summary = runBatch(request, callbacks);
        if (hooks.after)
            hooks.after(m_summary);
    });
    connect(m_thread, &QThread::finished, this, [this] {
        m_thread->deleteLater();
        m_thread = nullptr;
        emit finished(m_summary);
    });
    m_thread->start();
}

void BatchRunner::stop()
{
    m_stop.store(true);
}

BatchRunner::State BatchRunner::state() const
{
    const QMutexLocker lock(&m_mutex);
    return m_state;
}

void BatchRunner::update(const std::function<void(State &)> &change)
{
    const QMutexLocker lock(&m_mutex);
    change(m_state);
    ++m_state.changes;
}

} // namespace hy3
