// SPDX-License-Identifier: MIT
#include "listing/namelist.h"

namespace hy3 {

namespace {

constexpr qsizetype kBlockCharacters = 16 * 1024;

} // namespace

void NameList::append(QStringView name)
{
    if (m_blocks.empty() || m_blocks.back().size() + name.size() > m_blocks.back().capacity()) {
        QString block;
        block.reserve(std::max(kBlockCharacters, name.size()));
        m_blocks.push_back(std::move(block));
    }
    QString &block = m_blocks.back();
    m_names.push_back({static_cast<std::uint32_t>(m_blocks.size() - 1), static_cast<std::uint32_t>(block.size()),
                       static_cast<std::uint32_t>(name.size())});
    block.append(name);
}

void NameList::clear()
{
    m_blocks.clear();
    m_names.clear();
    m_names.shrink_to_fit();
}

QStringView NameList::operator[](std::size_t i) const
{
    const Name &name = m_names[i];
    return QStringView(m_blocks[name.block]).mid(name.start, name.length);
}

} // namespace hy3
