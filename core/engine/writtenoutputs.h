// SPDX-License-Identifier: MIT
#pragma once

#include "files/folderpath.h"
#include "fs/sys.h"

#include <QString>
#include <QStringView>

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace hy3 {

// The outputs a batch has written, or is about to, so that two of its
// sources never write one output: by name (compared case-folded in a folder
// that folds case) and by the file itself (two names of one file). Small per
// output, for batches of any size: names are kept in one block of text and
// found through two tables of numbers.
class WrittenOutputs
{
public:
    struct Found
    {
        QString source; // the source written there
        int folder = 0; // see folder()
        QString name;   // the output's name in that folder
    };

    // The number of the folder `identity`, the same for every path to it.
    [[nodiscard]] int folder(const fs::sys::Identity &identity);
    // Whether the folder folds case, once it has been found out.
    [[nodiscard]] std::optional<bool> foldsCase(int folder) const;
    void setFoldsCase(int folder, bool folds);
    [[nodiscard]] bool hasOutputsIn(int folder) const;

    // The output of this batch of that name in the folder, if any.
    [[nodiscard]] std::optional<Found> byName(int folder, QStringView name) const;
    // The output of this batch that is the file `identity`, if any.
    [[nodiscard]] std::optional<Found> byIdentity(const fs::sys::Identity &identity) const;

    // `identity` may be unknown (a dry run writes nothing). Returns a number for forget().
    int add(int folder, const QString &name, const fs::FilePath &source, const fs::sys::Identity &identity);
    // The output was not written after all.
    void forget(int output);

private:
    // 32 bytes: 100,000 outputs take about 5 MB with their names and tables.
    struct Output
    {
        fs::sys::Identity identity;
        std::uint32_t folder = 0;
        std::uint32_t text = 0;         // where its name, then its source's name, begin (see textAt)
        std::uint16_t nameLength = 0;   // UTF-8 bytes
        std::uint16_t sourceNameLength = 0;
        std::uint32_t sourceFolder : 31 = 0; // in m_sourceFolders
        std::uint32_t live : 1 = 1;
    };
    struct Folder
    {
        fs::sys::Identity identity;
        std::optional<bool> foldsCase;
        int outputs = 0;
    };

    [[nodiscard]] std::uint64_t nameKey(std::uint32_t folder, QStringView name) const;
    [[nodiscard]] Found found(const Output &output) const;
    [[nodiscard]] QString nameOf(const Output &output) const;
    [[nodiscard]] QByteArrayView textAt(std::uint32_t at, std::size_t length) const;
    [[nodiscard]] std::uint32_t addText(QByteArrayView first, QByteArrayView second = {});
    void grow();

    // Deques and blocks grow without copying what they hold: no moment holds twice the outputs.
    std::deque<Output> m_outputs;
    std::deque<Folder> m_folders;
    std::vector<std::uint32_t> m_folderTable; // open addressing by identity: 0 is empty, else index + 1
    std::vector<std::string> m_text; // blocks of text; an output's two names are in one block
    struct SourceFolder
    {
        std::uint32_t text; // the system's bytes, see textAt
        std::uint32_t length;
    };
    std::vector<SourceFolder> m_sourceFolders; // one for each run of sources from one folder
    // Open addressing: 0 is empty, else the output's index + 1.
    std::vector<std::uint32_t> m_byName;
    std::vector<std::uint32_t> m_byIdentity;
};

} // namespace hy3
