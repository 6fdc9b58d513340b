// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTextStream>

namespace hy3::cli {

// Where hy3conv writes: data on standard output, messages on standard error,
// each beginning "hy3conv:", and a one-line progress indicator while standard
// error is a terminal.
class Console
{
public:
    Console(QTextStream &out, QTextStream &err, bool errorIsTerminal);

    // One line of data.
    void data(const QString &line);
    // A whole document (JSON), as it stands.
    void document(const QByteArray &bytes);
    // A message: "hy3conv: " + message.
    void message(const QString &text);

    // "n/N name" on one line, at most ten times a second and only once a run
    // has lasted half a second; cleared by any other output and by endProgress().
    void progress(int done, int total, const QString &current);
    void endProgress();

    // Tab, line feed, carriage return and backslash as \t, \n, \r and \\, so
    // that a line of output stays one line with its fields apart.
    [[nodiscard]] static QString escaped(const QString &text);

private:
    void clearProgress();

    QTextStream &m_out;
    QTextStream &m_err;
    bool m_terminal;
    bool m_showing = false;
    QElapsedTimer m_started;
    qint64 m_lastShown = -1000;
};

} // namespace hy3::cli
