// SPDX-License-Identifier: MIT
#include "console.h"

#include "fs/sys.h"
#include "messages.h"


using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace {

constexpr qint64 kShowAfterMs = 500;
constexpr qint64 kEveryMs = 100;
constexpr qsizetype kWidth = 78;
constexpr qsizetype kFlushAt = 64 * 1024;

} // namespace

Console::Console()
    : m_terminal(fs::sys::isTerminal(fs::sys::Stream::Error))
{
    m_started.start();
}

Console::~Console()
{
    (void)flush();
}

// Nowhere is left to say it when standard error can't be written.
void Console::toError(const QByteArray &bytes)
{
    (void)fs::sys::writeAll(fs::sys::Stream::Error, bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

bool Console::flush()
{
    if (m_outFailed)
        return false;
    const fs::sys::Error error =
        fs::sys::writeAll(fs::sys::Stream::Output, m_buffer.constData(), static_cast<std::size_t>(m_buffer.size()));
    m_buffer.clear();
    if (!error)
        return true;
    m_outFailed = true;
    const Failure failure = error.during(Action::None);
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
    toError((u"hy3conv: "_s + escaped(text) + u'\n').toUtf8());
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
    toError((u"\r\x1b[K"_s + line).toUtf8());
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
    toError("\r\x1b[K");
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
        case u'\\':
            if (fs::sys::kWindows)
                break; // the path separator there, left as users paste it
            result += u"\\\\"_s;
            continue;
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
