// SPDX-License-Identifier: MIT
#include "sourcelist.h"

#include "fs/sys.h"
#include "messages.h"
#include "files/paths.h"

#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace {

// The whole of a file or a pipe; the system's error number on failure.
int readAll(int fd, QByteArray &bytes)
{
    char block[65536];
    for (;;) {
#ifdef Q_OS_WIN
        const int n = ::_read(fd, block, sizeof block);
#else
        const auto n = ::read(fd, block, sizeof block);
#endif
        if (n == 0)
            return 0;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes.append(block, static_cast<qsizetype>(n));
    }
}

// Opens the list; a folder is refused as it can't be a list.
int openList(const QString &path, int &fd)
{
    if (QFileInfo(path).isDir())
        return -1;
#ifdef Q_OS_WIN
    fd = ::_wopen(reinterpret_cast<const wchar_t *>(path.utf16()), _O_RDONLY | _O_BINARY);
#else
    fd = ::open(fs::toNative(path).c_str(), O_RDONLY | O_CLOEXEC);
#endif
    if (fd < 0)
        return errno;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && (st.st_mode & S_IFMT) == S_IFDIR) {
        ::close(fd);
        fd = -1;
        return -1;
    }
    return 0;
}

QString unreadable(const QString &path, const Failure &failure)
{
    return Messages::tr("変換元の一覧「%1」を読み込めません（%2）").arg(fs::shown(path), Messages::cause(failure));
}

} // namespace

QString SourceList::readFrom(const QString &path, bool nullSeparated, int standardInput)
{
    m_separator = nullSeparated ? '\0' : '\n';
    int fd = standardInput;
    if (path != u"-") {
        if (const int error = openList(path, fd))
            return unreadable(path, error < 0 ? Failure{Cause::NotRegularFile} : fs::sys::fromSystem(error).during(Action::None));
    }
    const int error = readAll(fd, m_list);
    if (fd != standardInput)
        ::close(fd);
    if (error)
        return unreadable(path, fs::sys::fromSystem(error).during(Action::None));
    if (!nullSeparated) {
        const qsizetype nul = m_list.indexOf('\0');
        if (nul >= 0)
            return Messages::tr("変換元の一覧「%1」の %2 行目に NUL 文字があります（NUL で区切った一覧には -0 を付けてください）")
                .arg(fs::shown(path))
                .arg(m_list.left(nul).count('\n') + 1);
    }
    return {};
}

std::optional<QString> SourceList::next()
{
    if (m_nextOperand < m_operands.size())
        return m_operands[m_nextOperand++];
    while (m_at < m_list.size()) {
        qsizetype end = m_list.indexOf(m_separator, m_at);
        if (end < 0)
            end = m_list.size();
        QByteArrayView line(m_list.constData() + m_at, end - m_at);
        m_at = end + 1;
        if (m_separator == '\n' && line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
#ifdef Q_OS_WIN
        return QString::fromUtf8(line); // lists written on Windows by today's tools are UTF-8
#else
        return fs::fromNative(fs::sys::String(line.data(), static_cast<std::size_t>(line.size())));
#endif
    }
    return std::nullopt;
}

} // namespace hy3::cli
