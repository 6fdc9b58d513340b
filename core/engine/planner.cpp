// SPDX-License-Identifier: MIT
#include "engine/planner.h"

#include "engine/dryrunplanner.h"
#include "engine/writingplanner.h"
#include "format/dataerror.h"
#include "format/datafile.h"
#include "fs/tempfile.h"
#include "files/paths.h"

#include <cstring>


namespace hy3 {

namespace sys = fs::sys;

namespace {

sys::String upperCase(const sys::String &name)
{
    sys::String upper = name;
    for (auto &c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<sys::Char>(c - 'a' + 'A');
    }
    return upper;
}

} // namespace

Failure outputFolderFailure(const sys::Error &error)
{
    return error.during(error.cause == Cause::NotFound ? Action::OpenOutputFolder : Action::MakeOutputFolder);
}

Planner::Planner(const EngineSettings &settings, FolderCache &folders, WrittenOutputs &written,
                 std::function<bool()> makeRoom)
    : m_settings(settings)
    , m_folders(folders)
    , m_written(written)
    , m_makeRoom(std::move(makeRoom))
{
}

Planner::~Planner() = default;

std::unique_ptr<Planner> Planner::make(const EngineSettings &settings, FolderCache &folders, WrittenOutputs &written,
                                       std::function<bool()> makeRoom)
{
    if (settings.dryRun)
        return std::make_unique<DryRunPlanner>(settings, folders, written, std::move(makeRoom));
    return std::make_unique<WritingPlanner>(settings, folders, written, std::move(makeRoom));
}

Planned Planner::plan(const Job &job, std::optional<ReadAhead::Read> ahead)
{
    Planned planned;
    planned.outcome.source = job.source.text();
    planned.outcome.destination = job.destination.text();
    planned.outcome.kind = job.kind;
    if (const Failure failure = steps(job, ahead, planned)) {
        planned.outcome.result = Outcome::Result::Failed;
        planned.outcome.failure = failure;
        planned.output.reset();
    }
    return planned;
}

Failure Planner::steps(const Job &job, std::optional<ReadAhead::Read> &ahead, Planned &planned)
{
    Outcome &outcome = planned.outcome;
    std::optional<ReadSource> source;
    if (const Failure failure = openSource(job, ahead, source))
        return failure;
    outcome.records = source->count();
    if (const Failure failure = checkOptions(job.kind, m_settings.columns))
        return failure;
    if (source->count() == 0) {
        outcome.result = Outcome::Result::NoRecords;
        return {};
    }

    std::shared_ptr<OpenFolder> folder;
    int number = 0;
    if (const Failure failure = openOutputFolder(job, folder, number))
        return failure;
    if (const auto earlier = writtenBefore(number, job.destination.name)) {
        outcome.earlier = earlier->source;
        return {Cause::Clash};
    }
    std::optional<sys::Status> existing;
    if (folder) {
        if (const Failure failure = checkExisting(*folder, job.destination.name, *source, outcome, existing))
            return failure;
        if (existing && !m_settings.overwrite) {
            outcome.result = Outcome::Result::Kept;
            return {};
        }
    }
    return complete(job, *source, folder, number, existing, planned);
}

Failure Planner::openSource(const Job &job, std::optional<ReadAhead::Read> &ahead, std::optional<ReadSource> &source)
{
    if (ahead && !ahead->leftToEngine) {
        source = std::move(ahead->source);
        return ahead->failure;
    }
    std::shared_ptr<OpenFolder> folder;
    if (const Failure failure = withRoom([&] {
            return m_folders.open(job.source.folder, MakeFolders::None, folder).during(Action::OpenSourceFolder);
        }))
        return failure;
    return withRoom([&] {
        return caught([&] { source.emplace(*folder->folder, job.source.name); });
    });
}

Failure Planner::withRoom(const std::function<Failure()> &step)
{
    Failure failure = step();
    if (failure.cause == Cause::TooManyOpenFiles && m_makeRoom())
        failure = step();
    return failure;
}

std::optional<WrittenOutputs::Found> Planner::writtenBefore(int folder, const QString &name)
{
    std::optional<WrittenOutputs::Found> earlier = m_written.byName(folder, name);
    if (earlier && m_makeRoom())
        earlier = m_written.byName(folder, name);
    return earlier;
}

// A folder whose answer is unclear counts as one that folds: at worst two
// names that differ in case are refused, never one file written twice.
void Planner::learnCaseFolding(int folder, const fs::TemporaryFile &probe)
{
    if (m_written.foldsCase(folder))
        return;
    sys::Status status;
    const bool folds = probe.name().empty()
        || sys::statAt(probe.folder(), upperCase(probe.name()), false, status).cause != Cause::NotFound;
    m_written.setFoldsCase(folder, folds);
}

// Refuses what must not be written over, and notes whether the name is taken.
Failure Planner::checkExisting(const OpenFolder &folder, const QString &name, const ReadSource &source,
                               Outcome &outcome, std::optional<sys::Status> &existingFile)
{
    sys::Status existing;
    const sys::Error look = sys::statAt(*folder.folder, fs::toNative(name), false, existing);
    if (look.cause == Cause::NotFound)
        return {};
    if (look)
        return look.during(Action::WriteOutput);
    switch (existing.type) {
    case sys::Type::Regular:
        break;
    case sys::Type::Link:
        return {Cause::LinkInTheWay, Action::WriteOutput};
    case sys::Type::Folder:
        return {Cause::FolderInTheWay, Action::CreateOutput};
    default:
        return {Cause::NotRegularFile, Action::WriteOutput};
    }
    sys::Status sourceStatus;
    if (const Failure failure = caught([&] { sourceStatus = source.status(); }))
        return failure;
    if (existing.identity == sourceStatus.identity)
        return {Cause::SameFile};
    if (const auto earlier = m_written.byIdentity(existing.identity)) {
        // Another name of an output of this batch, if that output still is this file.
        sys::Status again;
        if (!sys::statAt(*folder.folder, fs::toNative(earlier->name), false, again)
            && again.identity == existing.identity) {
            outcome.earlier = earlier->source;
            return {Cause::Clash};
        }
    }
    if (existing.readOnly)
        return {Cause::ReadOnlyFile, Action::WriteOutput};
    outcome.replaced = true;
    existingFile = existing;
    return {};
}

bool EarlierOutput::open(const sys::Folder &folder, const sys::String &name)
{
    m_same = !sys::openForReading(folder, name, m_file);
    return m_same;
}

bool EarlierOutput::goesOnWith(QByteArrayView bytes)
{
    const auto wanted = static_cast<std::size_t>(bytes.size());
    if (!m_same || wanted == 0)
        return m_same;
    m_buffer.resize(wanted);
    std::size_t have = 0;
    while (have < wanted) {
        std::size_t got = 0;
        if (sys::readSome(m_file, m_buffer.data() + have, wanted - have, got) || got == 0)
            return m_same = false;
        have += got;
    }
    m_same = std::memcmp(m_buffer.data(), bytes.data(), wanted) == 0;
    return m_same;
}

bool EarlierOutput::endsHere()
{
    char more = 0;
    std::size_t got = 0;
    m_same = m_same && !sys::readSome(m_file, &more, 1, got) && got == 0;
    return m_same;
}

} // namespace hy3
