// SPDX-License-Identifier: MIT
#include "groupwriter.h"

#include "filesystem.h"

#include <atomic>
#include <thread>

using namespace Qt::StringLiterals;

namespace hy3 {

namespace native = fs::native;

namespace {

constexpr int kFlushThreads = 4;

const QString kCannotCreate = u"「%1」を作成できません（%2）"_s;
const QString kCannotWrite = u"「%1」に書き込めません（%2）"_s;
// The new file is in place, but whether it would survive a power cut is not known.
const QString kNotMadeDurable = u"「%1」は書き込みましたが、ディスクへの保存を確定できません（%2）"_s;

std::pair<quint64, quint64> key(const native::Identity &identity)
{
    return {identity.device, identity.file};
}

} // namespace

// ---- PendingOutput --------------------------------------------------------

PendingOutput::PendingOutput(std::shared_ptr<const native::Folder> folder, QString destination, native::String name)
    : m_folder(std::move(folder))
    , m_destination(std::move(destination))
    , m_name(std::move(name))
{
    if (const native::Error error = native::createTemporary(*m_folder, m_temporary, m_file, m_identity))
        throw fs::failure(error, kCannotCreate, m_destination);
}

PendingOutput::~PendingOutput()
{
    discard();
}

void PendingOutput::write(QByteArrayView bytes)
{
    if (const native::Error error =
            native::writeBytes(m_file, bytes.data(), static_cast<std::size_t>(bytes.size())))
        throw fs::failure(error, kCannotWrite, m_destination);
}

void PendingOutput::discard()
{
    if (m_temporary.empty())
        return;
    (void)m_file.close();
    (void)native::removeFile(*m_folder, m_temporary);
    native::forget(*m_folder, m_temporary);
    m_temporary.clear();
}

// ---- GroupWriter ----------------------------------------------------------

GroupWriter::GroupWriter(GroupLimits limits, bool overwrite)
    : m_limits(limits)
    , m_overwrite(overwrite)
{
}

GroupWriter::~GroupWriter() = default;

void GroupWriter::add(std::unique_ptr<PendingOutput> output, int id)
{
    if (m_pending.empty())
        m_opened = std::chrono::steady_clock::now();
    m_pending.push_back({std::move(output), id, {}});
}

bool GroupWriter::isDue() const
{
    return static_cast<int>(m_pending.size()) >= m_limits.files
        || (!m_pending.empty() && std::chrono::steady_clock::now() - m_opened >= m_limits.time);
}

void GroupWriter::flushData()
{
    switch (m_limits.flush) {
    case GroupFlush::EachFile:
        for (Member &member : m_pending)
            member.error = native::syncData(member.output->m_file);
        break;
    case GroupFlush::Threads: {
        std::atomic<std::size_t> next{0};
        const auto work = [&] {
            for (std::size_t i = next++; i < m_pending.size(); i = next++)
                m_pending[i].error = native::syncData(m_pending[i].output->m_file);
        };
        std::vector<std::thread> threads;
        const int helpers = std::min(kFlushThreads, static_cast<int>(m_pending.size())) - 1;
        for (int i = 0; i < helpers; ++i)
            threads.emplace_back(work);
        work();
        for (std::thread &thread : threads)
            thread.join();
        break;
    }
    case GroupFlush::FileSystem: {
        std::vector<const native::Folder *> done;
        for (Member &member : m_pending) {
            const native::Folder *folder = member.output->m_folder.get();
            if (std::find(done.begin(), done.end(), folder) != done.end())
                continue;
            done.push_back(folder);
            const native::Error error = native::syncFileSystem(*folder);
            for (Member &other : m_pending) {
                if (other.output->m_folder.get() == folder)
                    other.error = error;
            }
        }
        break;
    }
    }
}

void GroupWriter::replace(Member &member, Committed &committed)
{
    PendingOutput &output = *member.output;
    const auto fail = [&](const native::Error &error, const QString &message) {
        committed.result = Committed::Result::Failed;
        committed.message = message;
        committed.cause = error.cause;
        committed.code = error.code;
        output.discard();
    };
    if (member.error)
        return fail(member.error, fs::failure(member.error, kCannotWrite, output.m_destination).message());

    // Looked at again right before the rename: a link put there meanwhile is
    // not replaced, and a name that is one file with an output of this batch
    // (a case-insensitive medium) is not written twice.
    native::Status existing;
    const native::Error look = native::statName(*output.m_folder, output.m_name, false, existing);
    if (!look) {
        if (existing.type == native::Type::Link)
            return fail({Cause::LinkAtOutput, 0},
                        fs::failure({Cause::LinkAtOutput, 0}, kCannotWrite, output.m_destination).message());
        if (const QString earlier = writtenAs(existing.identity); !earlier.isEmpty())
            return fail({Cause::Clash, 0}, u"「%1」: 同じ一括変換で書き込んだ「%2」と同じファイルになるため、書き込みませんでした"_s
                                               .arg(fs::shown(output.m_destination), fs::shown(earlier)));
    } else if (look.cause != Cause::NotFound) {
        return fail(look, fs::failure(look, kCannotWrite, output.m_destination).message());
    }

    const native::Error error = native::replaceFile(*output.m_folder, output.m_file, output.m_temporary, output.m_name, m_overwrite);
    if (error.cause == Cause::Exists && !m_overwrite) {
        committed.result = Committed::Result::Kept;
        output.discard();
        return;
    }
    if (error)
        return fail(error, fs::failure(error, kCannotWrite, output.m_destination).message());
    native::forget(*output.m_folder, output.m_temporary);
    output.m_temporary.clear();
    (void)output.m_file.close();
    m_written.insert(key(output.m_identity), output.m_destination);
    committed.result = Committed::Result::Written;
}

std::vector<Committed> GroupWriter::commit()
{
    flushData();
    std::vector<Committed> results;
    results.reserve(m_pending.size());
    std::vector<const native::Folder *> folders;
    for (Member &member : m_pending) {
        Committed committed;
        committed.id = member.id;
        replace(member, committed);
        const native::Folder *folder = member.output->m_folder.get();
        if (committed.result == Committed::Result::Written
            && std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
        results.push_back(std::move(committed));
    }
    // The renames themselves made durable: once per folder.
    for (const native::Folder *folder : folders) {
        const native::Error error = native::syncFolder(*folder);
        if (!error)
            continue;
        for (std::size_t i = 0; i < m_pending.size(); ++i) {
            if (m_pending[i].output->m_folder.get() == folder && results[i].result == Committed::Result::Written) {
                results[i].result = Committed::Result::Failed;
                results[i].message = fs::failure(error, kNotMadeDurable, m_pending[i].output->m_destination).message();
                results[i].cause = error.cause;
                results[i].code = error.code;
            }
        }
    }
    m_pending.clear();
    return results;
}

QString GroupWriter::writtenAs(const native::Identity &identity) const
{
    return m_written.value(key(identity));
}

} // namespace hy3
