// SPDX-License-Identifier: MIT
#include "sourcelist.h"

#include "files/paths.h"
#include "fs/sys.h"
#include "messages.h"

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace {

QString unreadable(const QString &path, const Failure &failure)
{
    return Messages::tr("変換元の一覧「%1」を読み込めません（%2）").arg(fs::shown(path), Messages::cause(failure));
}

} // namespace

QString SourceList::readFrom(const QString &path, bool nullSeparated)
{
    m_separator = nullSeparated ? '\0' : '\n';
    fs::sys::Error error;
    if (path == u"-") {
        error = fs::sys::readAll(fs::sys::Stream::Input, m_list);
    } else {
        fs::sys::Handle list;
        error = fs::sys::openToRead(fs::toNative(path), list);
        if (!error)
            error = fs::sys::readAll(list, m_list);
    }
    if (error)
        return unreadable(path, error.during(Action::None));
    if (!nullSeparated) {
        const std::size_t nul = m_list.find('\0');
        if (nul != std::string::npos)
            return Messages::tr("変換元の一覧「%1」の %2 行目に NUL 文字があります（NUL で区切った一覧には -0 を付けてください）")
                .arg(fs::shown(path))
                .arg(std::count(m_list.begin(), m_list.begin() + static_cast<std::ptrdiff_t>(nul), '\n') + 1);
    }
    return {};
}

std::optional<QString> SourceList::next()
{
    if (m_nextOperand < m_operands.size())
        return m_operands[m_nextOperand++];
    while (m_at < m_list.size()) {
        std::size_t end = m_list.find(m_separator, m_at);
        if (end == std::string::npos)
            end = m_list.size();
        std::string_view line(m_list.data() + m_at, end - m_at);
        m_at = end + 1;
        if (m_separator == '\n' && line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.empty())
            continue;
        // A name's own bytes on POSIX; lists written on Windows by today's tools are UTF-8.
        const QByteArrayView bytes(line.data(), static_cast<qsizetype>(line.size()));
        return fs::sys::kWindows ? QString::fromUtf8(bytes) : fs::fromSystemBytes(bytes);
    }
    return std::nullopt;
}

} // namespace hy3::cli
