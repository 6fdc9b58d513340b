// SPDX-License-Identifier: MIT
#include "engine/writtenoutputs.h"

#include "files/paths.h"

#include <QHashFunctions>

namespace hy3 {

namespace {

// Names are at most a few hundred bytes: an output's two always fit in a block.
constexpr std::size_t kTextBlock = 64 * 1024;

std::uint64_t mix(std::uint64_t x)
{
    x ^= x >> 33;
    x *= 0xFF51AFD7ED558CCDULL;
    x ^= x >> 33;
    x *= 0xC4CEB9FE1A85EC53ULL;
    return x ^ (x >> 33);
}

std::uint64_t identityKey(const fs::sys::Identity &identity)
{
    return mix(identity.file ^ mix(identity.device + 1));
}

QString folded(QStringView name)
{
    return name.toString().toCaseFolded();
}

void place(std::vector<std::uint32_t> &table, std::uint64_t key, std::uint32_t value)
{
    const std::size_t mask = table.size() - 1;
    std::size_t slot = key & mask;
    while (table[slot] != 0)
        slot = (slot + 1) & mask;
    table[slot] = value;
}

} // namespace

int WrittenOutputs::folder(const fs::sys::Identity &identity)
{
    // A walk of 100,000 folders asks this once a file: found through a table.
    const std::size_t mask = m_folderTable.size() - 1;
    if (!m_folderTable.empty()) {
        for (std::size_t slot = identityKey(identity) & mask; m_folderTable[slot] != 0; slot = (slot + 1) & mask) {
            if (m_folders[m_folderTable[slot] - 1].identity == identity)
                return static_cast<int>(m_folderTable[slot] - 1);
        }
    }
    m_folders.push_back({identity, std::nullopt, 0});
    if (m_folders.size() * 2 > m_folderTable.size()) {
        m_folderTable.assign(m_folderTable.empty() ? 16 : m_folderTable.size() * 2, 0);
        for (std::size_t i = 0; i < m_folders.size(); ++i)
            place(m_folderTable, identityKey(m_folders[i].identity), static_cast<std::uint32_t>(i + 1));
    } else {
        place(m_folderTable, identityKey(identity), static_cast<std::uint32_t>(m_folders.size()));
    }
    return static_cast<int>(m_folders.size() - 1);
}

std::optional<bool> WrittenOutputs::foldsCase(int folder) const
{
    return m_folders[static_cast<std::size_t>(folder)].foldsCase;
}

void WrittenOutputs::setFoldsCase(int folder, bool folds)
{
    m_folders[static_cast<std::size_t>(folder)].foldsCase = folds;
}

bool WrittenOutputs::hasOutputsIn(int folder) const
{
    return m_folders[static_cast<std::size_t>(folder)].outputs > 0;
}

std::uint64_t WrittenOutputs::nameKey(std::uint32_t folder, QStringView name) const
{
    const bool folds = m_folders[folder].foldsCase.value_or(false);
    const std::uint64_t hash = folds ? qHash(folded(name), 0x5EED) : qHash(name, 0x5EED);
    return mix(hash ^ mix(folder + 1ULL));
}

// A place in the text: the block in the upper 16 bits, the offset in it below.
QByteArrayView WrittenOutputs::textAt(std::uint32_t at, std::size_t length) const
{
    return {m_text[at >> 16].data() + (at & 0xFFFF), static_cast<qsizetype>(length)};
}

std::uint32_t WrittenOutputs::addText(QByteArrayView first, QByteArrayView second)
{
    const std::size_t size = static_cast<std::size_t>(first.size() + second.size());
    if (m_text.empty() || m_text.back().size() + size >= kTextBlock) {
        // A text longer than a block (a deep folder's path) has a block of its own.
        m_text.emplace_back();
        m_text.back().reserve(std::max(size, kTextBlock));
    }
    std::string &block = m_text.back();
    const auto at = static_cast<std::uint32_t>(((m_text.size() - 1) << 16) | block.size());
    block.append(first.data(), static_cast<std::size_t>(first.size()));
    block.append(second.data(), static_cast<std::size_t>(second.size()));
    return at;
}

QString WrittenOutputs::nameOf(const Output &output) const
{
    return fs::fromSystemBytes(textAt(output.text, output.nameLength));
}

WrittenOutputs::Found WrittenOutputs::found(const Output &output) const
{
    const QString sourceName = fs::fromSystemBytes(textAt(output.text + output.nameLength, output.sourceNameLength));
    const SourceFolder &folder = m_sourceFolders[output.sourceFolder];
    return {fs::fromSystemBytes(textAt(folder.text, folder.length)) + sourceName, static_cast<int>(output.folder),
            nameOf(output)};
}

std::optional<WrittenOutputs::Found> WrittenOutputs::byName(int folder, QStringView name) const
{
    if (m_byName.empty())
        return std::nullopt;
    const auto number = static_cast<std::uint32_t>(folder);
    const std::uint64_t key = nameKey(number, name);
    const bool folds = foldsCase(folder).value_or(false);
    const std::size_t mask = m_byName.size() - 1;
    for (std::size_t slot = key & mask; m_byName[slot] != 0; slot = (slot + 1) & mask) {
        const Output &output = m_outputs[m_byName[slot] - 1];
        if (!output.live || output.folder != number)
            continue;
        const QString stored = nameOf(output);
        if (folds ? folded(stored) == folded(name) : stored == name)
            return found(output);
    }
    return std::nullopt;
}

std::optional<WrittenOutputs::Found> WrittenOutputs::byIdentity(const fs::sys::Identity &identity) const
{
    if (m_byIdentity.empty())
        return std::nullopt;
    const std::size_t mask = m_byIdentity.size() - 1;
    for (std::size_t slot = identityKey(identity) & mask; m_byIdentity[slot] != 0; slot = (slot + 1) & mask) {
        const Output &output = m_outputs[m_byIdentity[slot] - 1];
        if (output.live && output.identity == identity)
            return found(output);
    }
    return std::nullopt;
}

void WrittenOutputs::grow()
{
    // Kept at most half full, so that a search ends soon.
    if ((m_outputs.size() + 1) * 2 <= m_byName.size())
        return;
    const std::size_t size = m_byName.empty() ? 64 : m_byName.size() * 2;
    m_byName.assign(size, 0);
    m_byIdentity.assign(size, 0);
    for (std::size_t i = 0; i < m_outputs.size(); ++i) {
        const Output &output = m_outputs[i];
        place(m_byName, nameKey(output.folder, nameOf(output)), static_cast<std::uint32_t>(i + 1));
        if (output.identity != fs::sys::Identity{})
            place(m_byIdentity, identityKey(output.identity), static_cast<std::uint32_t>(i + 1));
    }
}

int WrittenOutputs::add(int folder, const QString &name, const fs::FilePath &source, const fs::sys::Identity &identity)
{
    grow();
    const QByteArray sourceFolder = fs::systemBytes(source.folder.text());
    if (m_sourceFolders.empty()
        || textAt(m_sourceFolders.back().text, m_sourceFolders.back().length) != QByteArrayView(sourceFolder))
        m_sourceFolders.push_back({addText(sourceFolder), static_cast<std::uint32_t>(sourceFolder.size())});
    // The system's own bytes: a name that is not UTF-8 comes back the same.
    const QByteArray nameText = fs::systemBytes(name);
    const QByteArray sourceText = fs::systemBytes(source.name);
    Output output;
    output.identity = identity;
    output.folder = static_cast<std::uint32_t>(folder);
    output.text = addText(nameText, sourceText);
    output.nameLength = static_cast<std::uint16_t>(nameText.size());
    output.sourceNameLength = static_cast<std::uint16_t>(sourceText.size());
    output.sourceFolder = static_cast<std::uint32_t>(m_sourceFolders.size() - 1);
    m_outputs.push_back(output);
    const auto number = static_cast<std::uint32_t>(m_outputs.size());
    place(m_byName, nameKey(output.folder, name), number);
    if (identity != fs::sys::Identity{})
        place(m_byIdentity, identityKey(identity), number);
    ++m_folders[static_cast<std::size_t>(folder)].outputs;
    return static_cast<int>(number - 1);
}

void WrittenOutputs::forget(int output)
{
    Output &o = m_outputs[static_cast<std::size_t>(output)];
    if (o.live)
        --m_folders[o.folder].outputs;
    o.live = 0;
}

} // namespace hy3
