// SPDX-License-Identifier: MIT
#pragma once

#include "engine/committer.h"
#include "engine/job.h"
#include "engine/outcome.h"
#include "engine/readahead.h"
#include "engine/readsource.h"
#include "engine/writtenoutputs.h"
#include "files/foldercache.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace hy3 {

// What a job comes to before anything is committed: its outcome, and the
// new file that waits to be committed, if there is one.
struct Planned
{
    Outcome outcome;
    std::optional<ReadyOutput> output;
};

// Turns a job into a Planned value: reads the source, checks the options and
// the destination (its folder, a clash with another output of the batch, what
// stands at its name) and writes the new file's temporary. Every failure on
// the way is a value, the job's outcome. Nothing outside a destination folder
// is created or changed: a link at an output name, or at a folder below the
// one the user named, is refused. Leftover temporaries of a killed converter
// are swept from a destination folder the first time a file goes there.
class Planner
{
public:
    // `makeRoom` commits what waits in the group (to free its open files, or
    // to make an output final before a clash with it is decided); false when
    // nothing waited.
    Planner(const EngineSettings &settings, FolderCache &folders, WrittenOutputs &written,
            std::function<bool()> makeRoom);
    virtual ~Planner();

    // `ahead`: the job's source as the read-ahead thread read it, if it did.
    [[nodiscard]] Planned plan(const Job &job, std::optional<ReadAhead::Read> ahead = std::nullopt);

    // The planner that writes, or for a dry run the one that stops before the temporary.
    [[nodiscard]] static std::unique_ptr<Planner> make(const EngineSettings &settings, FolderCache &folders,
                                                       WrittenOutputs &written, std::function<bool()> makeRoom);

protected:
    // The destination's folder, open, and its number among the batch's folders.
    [[nodiscard]] virtual Failure openOutputFolder(const Job &job, std::shared_ptr<OpenFolder> &folder,
                                                   int &number) = 0;
    // What is left once every check has passed: the output written (a dry
    // run reads the records to the end and writes nothing). `existing`: what
    // stands at the output's name, a file to be replaced.
    [[nodiscard]] virtual Failure complete(const Job &job, ReadSource &source,
                                           const std::shared_ptr<OpenFolder> &folder, int number,
                                           const std::optional<fs::sys::Status> &existing, Planned &planned) = 0;

    // A step that ran out of open files gets room from the group's, once.
    [[nodiscard]] Failure withRoom(const std::function<Failure()> &step);
    // The output of that name this batch wrote before. One still waiting in
    // the group is committed first: a clash is only with an output that was written.
    [[nodiscard]] std::optional<WrittenOutputs::Found> writtenBefore(int folder, const QString &name);
    // Whether the folder folds letter case, found out with a named temporary of ours there.
    void learnCaseFolding(int folder, const fs::TemporaryFile &probe);

    const EngineSettings &m_settings;
    FolderCache &m_folders;
    WrittenOutputs &m_written;

private:
    [[nodiscard]] Failure steps(const Job &job, std::optional<ReadAhead::Read> &ahead, Planned &planned);
    [[nodiscard]] Failure openSource(const Job &job, std::optional<ReadAhead::Read> &ahead,
                                     std::optional<ReadSource> &source);
    [[nodiscard]] Failure checkExisting(const OpenFolder &folder, const QString &name, const ReadSource &source,
                                        Outcome &outcome, std::optional<fs::sys::Status> &existing);

    std::function<bool()> m_makeRoom;
};

// An earlier output read along while the new one is made, to tell whether
// the two are the same byte for byte.
class EarlierOutput
{
public:
    // Opens the file of that name; false when it can't be read (it then differs).
    [[nodiscard]] bool open(const fs::sys::Folder &folder, const fs::sys::String &name);
    // Whether the earlier file goes on with exactly these bytes; once one
    // call says no, every later one does.
    [[nodiscard]] bool goesOnWith(QByteArrayView bytes);
    // Whether every byte was the same and the earlier file has no more.
    [[nodiscard]] bool endsHere();

private:
    fs::sys::Handle m_file;
    std::vector<char> m_buffer;
    bool m_same = false;
};

// Why an output folder could not be opened (not there) or made.
[[nodiscard]] Failure outputFolderFailure(const fs::sys::Error &error);

} // namespace hy3
