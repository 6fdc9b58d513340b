// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace hy3 {

// Many names, such as those of a folder of 100,000 files, in a few large
// blocks of text: each takes its characters and a few bytes more, where a
// QString of its own would take a block and a header. A view of a name stays
// valid while the list lives: a full block is never moved.
class NameList
{
public:
    void append(QStringView name);
    void clear();

    [[nodiscard]] std::size_t size() const { return m_names.size(); }
    [[nodiscard]] bool empty() const { return m_names.empty(); }
    [[nodiscard]] QStringView operator[](std::size_t i) const;

    class Iterator
    {
    public:
        Iterator(const NameList &list, std::size_t at) : m_list(&list), m_at(at) {}
        QStringView operator*() const { return (*m_list)[m_at]; }
        Iterator &operator++() { ++m_at; return *this; }
        bool operator==(const Iterator &other) const = default;

    private:
        const NameList *m_list;
        std::size_t m_at;
    };
    [[nodiscard]] Iterator begin() const { return {*this, 0}; }
    [[nodiscard]] Iterator end() const { return {*this, size()}; }

private:
    struct Name
    {
        std::uint32_t block;
        std::uint32_t start;
        std::uint32_t length;
    };
    std::vector<QString> m_blocks;
    std::vector<Name> m_names;
};

} // namespace hy3
