// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>

namespace hy3::cli {

// The sources named on the command line, then those of a --files-from list,
// handed out one at a time.
class SourceList
{
public:
    explicit SourceList(QStringList operands) : m_operands(std::move(operands)) {}

    // Reads the list (a path, or "-" for standard input); returns what went
    // wrong as a Japanese sentence, or nothing. A NUL inside a list of lines
    // is refused with the line's number.
    [[nodiscard]] QString readFrom(const QString &path, bool nullSeparated);

    [[nodiscard]] std::optional<QString> next();

private:
    QStringList m_operands;
    qsizetype m_nextOperand = 0;
    std::string m_list;
    std::size_t m_at = 0;
    char m_separator = '\n';
};

} // namespace hy3::cli
