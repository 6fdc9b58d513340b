// SPDX-License-Identifier: MIT
#pragma once

#include "dataerror.h"
#include "fs/native.h"

#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <chrono>
#include <memory>
#include <vector>

namespace hy3 {

// How a group's data is made durable before its files become visible.
enum class GroupFlush {
    EachFile,   // fdatasync of every file, one after another
    Threads,    // the same from a few threads, so the system can join them
    FileSystem, // one syncfs of each file system the group wrote to
};

struct GroupLimits
{
    int files = 256;
    std::chrono::milliseconds time{200};
    GroupFlush flush = GroupFlush::Threads;
};

// One new output: a locked temporary beside its destination, written in pieces.
class PendingOutput
{
public:
    // Creates the temporary; throws DataError 「destination」を作成できません（cause）.
    PendingOutput(std::shared_ptr<const fs::native::Folder> folder, QString destination, fs::native::String name);
    PendingOutput(const PendingOutput &) = delete;
    PendingOutput &operator=(const PendingOutput &) = delete;
    // A temporary that was never committed is removed.
    ~PendingOutput();

    // Throws DataError 「destination」に書き込めません（cause）.
    void write(QByteArrayView bytes);

    [[nodiscard]] const QString &destination() const { return m_destination; }

private:
    friend class GroupWriter;
    void discard();

    std::shared_ptr<const fs::native::Folder> m_folder;
    QString m_destination;
    fs::native::String m_name;
    fs::native::String m_temporary;
    fs::native::Handle m_file;
    fs::native::Identity m_identity;
};

// What became of one output when its group was committed.
struct Committed
{
    enum class Result { Written, Kept, Failed };

    int id = 0;
    Result result = Result::Failed;
    QString message; // Failed: names the destination and the cause
    Cause cause = Cause::None;
    int code = 0;
};

// Makes a batch's outputs visible in groups, with the guarantee of a flush
// per file at close to the cost of none: a group's temporaries are written
// without flushing, flushed together, then each replaces its destination,
// then each folder is flushed once. At any moment a destination is either its
// earlier file or the complete new one.
class GroupWriter
{
public:
    GroupWriter(GroupLimits limits, bool overwrite);
    GroupWriter(const GroupWriter &) = delete;
    GroupWriter &operator=(const GroupWriter &) = delete;
    // Outputs still pending are removed, not committed.
    ~GroupWriter();

    void add(std::unique_ptr<PendingOutput> output, int id);
    [[nodiscard]] bool isEmpty() const { return m_pending.empty(); }
    // The group holds as many files as it may, or has been open long enough.
    [[nodiscard]] bool isDue() const;

    // Commits the group, in the order the outputs were added.
    [[nodiscard]] std::vector<Committed> commit();

    // The destination this writer made visible that is the file `identity`,
    // or an empty string.
    [[nodiscard]] QString writtenAs(const fs::native::Identity &identity) const;

private:
    struct Member
    {
        std::unique_ptr<PendingOutput> output;
        int id = 0;
        fs::native::Error error;
    };

    void flushData();
    void replace(Member &member, Committed &committed);

    GroupLimits m_limits;
    bool m_overwrite;
    std::vector<Member> m_pending;
    std::chrono::steady_clock::time_point m_opened;
    QHash<std::pair<quint64, quint64>, QString> m_written;
};

} // namespace hy3
