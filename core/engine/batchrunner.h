// SPDX-License-Identifier: MIT
#pragma once

#include "engine/batch.h"

#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>

class QThread;

namespace hy3 {

// Runs one batch at a time on a thread of its own, for a window that must
// keep answering: start() returns at once; the batch's latest state can be
// read at any moment (the window reads it once a screen refresh, so the batch
// never wakes it for a file of its own); stop() asks it to end after the
// group being written; finished() comes on the runner's own thread, queued.
class BatchRunner : public QObject
{
    Q_OBJECT

public:
    // What the batch works on now and how far it is.
    struct State
    {
        QString source;
        QString destination;
        float progress = 0.0f;
        quint64 changes = 0; // grows with every change, to tell whether anything is new
    };

    explicit BatchRunner(QObject *parent = nullptr);
    // A batch still running is stopped and waited for: what it was writing is committed.
    ~BatchRunner() override;

    // What a batch does besides converting, on the runner's thread: first,
    // with each outcome, and last.
    struct Hooks
    {
        std::function<void()> before;
        std::function<void(const Outcome &outcome)> each;
        std::function<void(const BatchSummary &summary)> after;
    };

    // Starts the batch; nothing when one runs already.
    void start(const BatchRequest &request, Hooks hooks = {});
    // The group being written is committed, the files after it are not run.
    void stop();
    [[nodiscard]] bool isRunning() const { return m_thread != nullptr; }
    [[nodiscard]] State state() const;

signals:
    void finished(const hy3::BatchSummary &summary);

private:
    void update(const std::function<void(State &)> &change);

    QThread *m_thread = nullptr;
    std::atomic<bool> m_stop{false};
    mutable QMutex m_mutex;
    State m_state;
    BatchSummary m_summary;
};

} // namespace hy3
