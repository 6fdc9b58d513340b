// SPDX-License-Identifier: MIT
#include "console.h"

#include "fs/sys.h"
#include "messages.h"

#include <cerrno>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace {

constexpr qint64 kShowAfterMs = 500;
constexpr qint64 kEveryMs = 100;
constexpr qsizetype kWidth = 78;
constexpr qsizetype kFlushAt = 64 * 1024;

long writeSome(int fd, const char *data, qsizetype size)
{
#ifdef Q_OS_WIN
    return ::_write(fd, data, static_cast<unsigned>(qMin<qsizetype>(size, 1 << 30)));
#else
    return static_cast<long>(::write(fd, data, static_cast<size_t>(size)));
#endif
}

} // namespace

Console::Console(int out, int err, bool errorIsTerminal)
    : m_out(out)
    , m_err(err)
    , m_terminal(errorIsTerminal)
{
    m_started.start();
}

Console::~Console()
{
    (void)flush();
}

bool Console::writeAll(int fd, const char *data, qsizetype size, int &error)
{
    while (size > 0) {
        const long n = writeSome(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

bool Console::flush()
{
    if (m_outFailed)
        return false;
    int error = 0;
    const bool written = writeAll(m_out, m_buffer.constData(), m_buffer.size(), error);
    m_buffer.clear();
    if (written)
        return true;
    m_outFailed = true;
    const Failure failure = fs::sys::fromSystem(error).during(Action::None);
    message(Messages::tr("標準出力に書き込めません（%1）").arg(Messages::cause(failure)));
    return false;
}

void Console::data(const QString &line)
{
    clearProgress();
    if (m_outFailed)
        return;
    m_buffer += line.toUtf8();
    m_buffer += '\n';
    if (m_buffer.size() >= kFlushAt)
        (void)flush();
}

void Console::raw(QByteArrayView bytes)
{
    clearProgress();
    if (m_outFailed)
        return;
    m_buffer += bytes;
    if (m_buffer.size() >= kFlushAt)
        (void)flush();
}

void Console::message(const QString &text)
{
    clearProgress();
    if (!m_outFailed && !m_buffer.isEmpty())
        (void)flush(); // data and messages keep their order on a terminal
    const QByteArray line = (u"hy3conv: "_s + escaped(text) + u'\n').toUtf8();
    int error = 0;
    (void)writeAll(m_err, line.constData(), line.size(), error); // nowhere left to say it otherwise
}

void Console::progress(int done, int total, const QString &current)
{
    if (!m_terminal)
        return;
    const qint64 now = m_started.elapsed();
    if (now < kShowAfterMs || now - m_lastShown < kEveryMs)
        return;
    m_lastShown = now;
    (void)flush();
    QString line = total > 0 ? u"%1/%2 (%3%) %4"_s.arg(done).arg(qMax(done, total)).arg(done * 100 / qMax(done, total))
                                    .arg(escaped(current))
                              : u"%1 %2"_s.arg(done).arg(escaped(current));
    if (line.size() > kWidth)
        line = line.left(kWidth - 1) + u'…';
    const QByteArray bytes = (u"\r\x1b[K"_s + line).toUtf8();
    int error = 0;
    (void)writeAll(m_err, bytes.constData(), bytes.size(), error);
    m_showing = true;
}

void Console::endProgress()
{
    clearProgress();
}

void Console::clearProgress()
{
    if (!m_showing)
        return;
    m_showing = false;
    const QByteArray bytes("\r\x1b[K");
    int error = 0;
    (void)writeAll(m_err, bytes.constData(), bytes.size(), error);
}

QString Console::escaped(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'\t':
            result += u"\\t"_s;
            continue;
        case u'\n':
            result += u"\\n"_s;
            continue;
        case u'\r':
            result += u"\\r"_s;
            continue;
#ifndef Q_OS_WIN
        case u'\\':
            result += u"\\\\"_s;
            continue;
#endif
        default:
            break;
        }
        if (u < 0x20 || u == 0x7F)
            result += u"\\x%1"_s.arg(static_cast<uint>(u), 2, 16, QChar(u'0'));
        else if (u >= 0x80 && u <= 0x9F)
            result += u"\\u%1"_s.arg(static_cast<uint>(u), 4, 16, QChar(u'0'));
        else
            result += c;
    }
    return result;
}

} // namespace hy3::cli
