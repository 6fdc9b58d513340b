// SPDX-License-Identifier: MIT
#include "engine/engine.h"

#include "engine/planner.h"

namespace hy3 {

Engine::Engine(EngineSettings settings, Sink sink)
    : m_settings(settings)
    , m_committer(m_settings, m_folders, m_written, std::move(sink))
    , m_planner(Planner::make(m_settings, m_folders, m_written, [this] { return m_committer.commit(); }))
{
}

Engine::~Engine() = default;

void Engine::expect(const Job &job)
{
    m_readAhead.expect(job);
}

void Engine::add(const Job &job)
{
    std::optional<ReadAhead::Read> ahead;
    if (m_readAhead.isNext(job))
        ahead = m_readAhead.take();
    Planned planned = m_planner->plan(job, std::move(ahead));
    if (planned.output)
        m_committer.await(std::move(planned.outcome), std::move(*planned.output));
    else
        m_committer.settle(std::move(planned.outcome));
    m_committer.commitIfDue();
}

void Engine::skip(const Job &job)
{
    if (m_readAhead.isNext(job))
        m_readAhead.drop();
    report(job, Outcome::Result::NotRun, {Cause::Stopped});
}

void Engine::refuse(const Job &job, const Failure &failure)
{
    report(job, Outcome::Result::Failed, failure);
}

void Engine::report(const Job &job, Outcome::Result result, const Failure &failure)
{
    Outcome outcome;
    outcome.result = result;
    outcome.failure = failure;
    outcome.source = job.source.text();
    outcome.destination = job.destination.text();
    outcome.kind = job.kind;
    m_committer.settle(std::move(outcome));
}

void Engine::finish()
{
    (void)m_committer.commit();
    m_folders.removeUnusedMadeFolders(); // nothing is left of a folder made for files that failed
}

} // namespace hy3
