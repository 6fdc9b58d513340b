// SPDX-License-Identifier: MIT
#include "console.h"

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace {
constexpr qint64 kShowAfterMs = 500;
constexpr qint64 kEveryMs = 100;
constexpr qsizetype kWidth = 78;
} // namespace

Console::Console(QTextStream &out, QTextStream &err, bool errorIsTerminal)
    : m_out(out)
    , m_err(err)
    , m_terminal(errorIsTerminal)
{
    m_started.start();
}

void Console::data(const QString &line)
{
    clearProgress();
    m_out << line << u'\n';
    m_out.flush();
}

void Console::document(const QByteArray &bytes)
{
    clearProgress();
    m_out << QString::fromUtf8(bytes);
    m_out.flush();
}

void Console::message(const QString &text)
{
    clearProgress();
    m_out.flush(); // data and messages keep their order on a terminal
    m_err << u"hy3conv: "_s << text << u'\n';
    m_err.flush();
}

void Console::progress(int done, int total, const QString &current)
{
    if (!m_terminal)
        return;
    const qint64 now = m_started.elapsed();
    if (now < kShowAfterMs || now - m_lastShown < kEveryMs)
        return;
    m_lastShown = now;
    QString line = u"%1/%2 %3"_s.arg(done).arg(total).arg(escaped(current));
    if (line.size() > kWidth)
        line = line.left(kWidth - 1) + u'…';
    m_err << u"\r\x1b[K"_s << line;
    m_err.flush();
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
    m_err << u"\r\x1b[K"_s;
    m_err.flush();
    m_showing = false;
}

QString Console::escaped(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            result += u"\\\\"_s;
            break;
        case u'\t':
            result += u"\\t"_s;
            break;
        case u'\n':
            result += u"\\n"_s;
            break;
        case u'\r':
            result += u"\\r"_s;
            break;
        default:
            result += c;
        }
    }
    return result;
}

} // namespace hy3::cli
