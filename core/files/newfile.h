// SPDX-License-Identifier: MIT
#pragma once

#include "cause.h"
#include "fs/tempfile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

namespace hy3::fs {

// A file the program writes besides its outputs (a run's report), written as
// any output is: whole into a temporary beside it, flushed, and only then
// given its name, so that it is never seen half written.
class NewFile
{
public:
    NewFile() = default;
    NewFile(const NewFile &) = delete;
    NewFile &operator=(const NewFile &) = delete;
    ~NewFile(); // unfinished: nothing is left

    // Starts the file at `path`; its folder must be there (makeFolder: made with its parents).
    [[nodiscard]] Failure start(const QString &path, bool makeFolder = false);
    void write(QByteArrayView bytes);
    // Writes what is held, flushes and names the file (an older one of that name gives way).
    [[nodiscard]] Failure finish();
    [[nodiscard]] bool isOpen() const { return m_file != nullptr; }

private:
    void writeHeld();

    std::unique_ptr<TemporaryFile> m_file;
    sys::String m_name;
    QByteArray m_held;
    sys::Error m_failed; // the first write that failed
};

} // namespace hy3::fs
