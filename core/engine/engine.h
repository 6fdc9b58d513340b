// SPDX-License-Identifier: MIT
#pragma once

#include "format/convert.h"
#include "files/foldercache.h"
#include "engine/outcome.h"
#include "engine/writtenoutputs.h"

#include <QString>

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace hy3 {

class DataFileReader;

namespace fs {
class TemporaryFile;
}

// One old file to convert into one .hy3 file.
struct Job
{
    QString source;
    QString destination;
    DataKind kind = DataKind::Standard;
    // How much of each path's folder is a folder the user named (opened as a
    // path); the folders below it are opened one by one, never through a
    // link. 0: the whole folder.
    qsizetype sourceAnchor = 0;
    qsizetype destinationAnchor = 0;
};

struct EngineSettings
{
    ColumnOptions columns;
    bool overwrite = true; // false: an existing output is kept (Kept)
    bool dryRun = false;   // read and check everything, write nothing
    MakeFolders makeFolders = MakeFolders::None;
    // A group is committed when it holds this many files or has been open this
    // long. Its files stay open until then: a quarter of the open-file limit at most.
    int groupFiles = std::clamp(fs::sys::openFileLimit() / 4, 1, 256);
    std::chrono::milliseconds groupTime{200};
};

// Converts jobs and hands out one Outcome per job, in job order. Outputs are
// written as temporaries and made visible in groups, with the guarantee of a
// flush per file at close to the cost of none: a group's files are written
// without flushing, the file systems they are on flushed once, each file
// asked for its own result, then each renamed over its destination in order,
// then each folder flushed once. A file is reported converted only once it
// is on the disk; at every moment a destination is its earlier file or the
// complete new one. Nothing outside a destination folder is created or
// changed: a link at an output name, or at a folder below the one the user
// named, is refused. Leftover temporaries of a killed converter are swept
// from a destination folder the first time the batch writes there.
class Engine
{
public:
    using Sink = std::function<void(const Outcome &)>;

    Engine(EngineSettings settings, Sink sink);
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;
    // Outputs still pending are removed, not committed.
    ~Engine();

    void add(const Job &job);
    // The job is not run: its outcome is NotRun (Stopped).
    void skip(const Job &job);
    // The job can't be run: its outcome is this failure.
    void refuse(const Job &job, const Failure &failure);
    // Commits what is pending; afterwards every job's outcome has reached the sink.
    void finish();

private:
    struct Pending;
    struct Member;

    void convert(const Job &job, Outcome &outcome);
    bool prepareOutputFolder(const Job &job, Outcome &outcome, std::shared_ptr<OpenFolder> &folder, int &number);
    std::optional<WrittenOutputs::Found> writtenBefore(int folder, const QString &name);
    bool checkExisting(const OpenFolder &folder, const QString &name, const DataFileReader &source, Outcome &outcome);
    bool findOutFolding(OpenFolder &folder, int number, const fs::sys::Error &probe, Outcome &outcome);
    std::unique_ptr<fs::TemporaryFile> createOutput(const std::shared_ptr<OpenFolder> &folder, Outcome &outcome);
    template <typename Call>
    fs::sys::Error withRoom(Call call);
    void commitGroup();
    void flushGroup();
    void replace(Member &member);
    void settle(std::size_t job);
    void report(const Job &job, Outcome::Result result, const Failure &failure);
    void deliver();

    EngineSettings m_settings;
    Sink m_sink;
    FolderCache m_folders{std::clamp(fs::sys::openFileLimit() / 8, 4, 64)};
    WrittenOutputs m_written;
    std::deque<Pending> m_outcomes; // in job order, from the first not yet delivered
    std::size_t m_firstJob = 0;     // the job number of m_outcomes.front()
    std::vector<Member> m_group;
    std::chrono::steady_clock::time_point m_groupOpened;
};

// One file converted and committed at once (outside a batch).
[[nodiscard]] Outcome convertOne(const Job &job, const ColumnOptions &options);

} // namespace hy3
