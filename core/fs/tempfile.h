// SPDX-License-Identifier: MIT
#pragma once

// The whole life of a temporary file, the same on every system: a new file
// beside the one it will replace, written in full, given its final name in
// one step, and removed when it is not wanted. Where the file system can
// (Linux' O_TMPFILE) it has no name until then, and nothing of it is left if
// the program ends first; elsewhere it has a name of the converter's own,
// registered before it exists so that an interrupted program removes it, and
// leftovers of converters that were killed are swept from a folder the next
// time one writes there. Plain C++, no Qt.

#include "sys.h"

#include <memory>

namespace hy3::fs {

class TemporaryFile
{
public:
    // Creates a new temporary in `folder`, which it keeps open; `named`: one
    // with a name of its own from the start (a probe looked up by its name).
    [[nodiscard]] static sys::Error create(std::shared_ptr<const sys::Folder> folder,
                                           std::unique_ptr<TemporaryFile> &created, bool named = false);
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;
    // Removed unless it was committed.
    ~TemporaryFile();

    // Writes every byte or fails. Every half megabyte the disk is asked to start on them.
    [[nodiscard]] sys::Error write(const char *data, std::size_t size);
    [[nodiscard]] sys::Error syncData();
    [[nodiscard]] sys::Error writeOut(); // see sys::writeOut
    // Gives the file the name `name` in its folder, atomically: a file that
    // has no name yet gets it in one step where nothing has it; otherwise
    // (or to replace what is there) the file is renamed over it (see
    // sys::rename). While another program holds the old file open (Windows),
    // tries again a few times over a good half second first. A name the file
    // system refuses is InvalidName. On failure the temporary stays, for
    // discard().
    [[nodiscard]] sys::Error commit(const sys::String &name, bool replace);
    // Closes and removes it; a removal that fails leaves it to the next sweep.
    void discard();

    [[nodiscard]] const sys::Folder &folder() const { return *m_folder; }
    // Empty while the file has no name.
    [[nodiscard]] const sys::String &name() const { return m_name; }
    [[nodiscard]] const sys::Handle &handle() const { return m_file; }
    [[nodiscard]] const sys::Identity &identity() const { return m_identity; }

private:
    TemporaryFile() = default;
    [[nodiscard]] sys::Error createNamed();
    // A name of the converter's own for a file that had none, locked first.
    [[nodiscard]] sys::Error nameTemporarily();

    std::shared_ptr<const sys::Folder> m_folder;
    sys::String m_name;
    sys::Handle m_file;
    sys::Identity m_identity;
    bool m_unnamed = false; // it has no name yet
    int m_slot = -1; // where it is registered for removal on an interrupt
    std::size_t m_notStarted = 0; // bytes written since the disk was last asked to start on them
    static constexpr std::size_t kWriteBackStep = 512 * 1024;
};

// True for the names TemporaryFile gives, and for no others.
[[nodiscard]] bool isTemporaryName(const sys::String &name);

// Removes the leftovers of converters that are no longer running; `removed`
// counts them. Temporaries being written (by any converter) stay.
[[nodiscard]] sys::Error removeLeftovers(const sys::Folder &folder, int &removed);

// Removes this process's temporaries; only calls that are safe in a signal handler.
void removeOwnTemporaries() noexcept;
// How many are registered now, for the tests.
[[nodiscard]] int registeredTemporaries();

} // namespace hy3::fs
