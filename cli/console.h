// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QString>

namespace hy3::cli {

// Where hy3conv writes: data on standard output, messages on standard error,
// each beginning "hy3conv:", and a one-line progress indicator while standard
// error is a terminal. Every write is checked: standard output that can't be
// written (a full disk, a closed descriptor) is said once, in Japanese, and
// makes the run fail; nothing is written after it.
class Console
{
public:
    // Standard output and standard error, as the system has them.
    Console();
    ~Console();

    // One line of data (its fields already escaped).
    void data(const QString &line);
    // Bytes of a document (JSON) as they stand.
    void raw(QByteArrayView bytes);
    // A message: "hy3conv: " + the text, escaped.
    void message(const QString &text);

    // "n/N (p%) name" on one line ("n name" while the total is not known, 0),
    // at most ten times a second and only once a run has lasted half a second;
    // cleared by any other output and by endProgress().
    void progress(int done, int total, const QString &current);
    [[nodiscard]] bool showsProgress() const { return m_terminal; }
    void endProgress();

    // Writes out what is buffered; false when standard output failed.
    bool flush();
    [[nodiscard]] bool outputFailed() const { return m_outFailed; }

    // A name or a text as one field of one line: control characters (C0,
    // DEL, C1) written as \t, \n, \r or \xHH / \uHHHH, so that nothing in a
    // name can drive the terminal or split a line; on POSIX a backslash is
    // doubled so the escapes stay readable (on Windows it is the path separator).
    [[nodiscard]] static QString escaped(const QString &text);

private:
    void toError(const QByteArray &bytes);
    void clearProgress();

    bool m_terminal;
    bool m_showing = false;
    bool m_outFailed = false;
    QByteArray m_buffer; // standard output, written in large pieces
    QElapsedTimer m_started;
    qint64 m_lastShown = -1000;
};

} // namespace hy3::cli
