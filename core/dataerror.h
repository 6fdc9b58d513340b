// SPDX-License-Identifier: MIT
#pragma once

#include "cause.h"

#include <QByteArray>
#include <QString>

#include <exception>

namespace hy3 {

// The one failure type of the data layer. The message is Japanese, names the
// file and says the cause, and is meant to be shown to the user as it stands.
class DataError : public std::exception
{
public:
    DataError(Cause cause, QString message, int code = 0)
        : m_message(std::move(message))
        , m_utf8(m_message.toUtf8())
        , m_cause(cause)
        , m_code(code)
    {
    }

    [[nodiscard]] const QString &message() const noexcept { return m_message; }
    [[nodiscard]] Cause cause() const noexcept { return m_cause; }
    // The system's own error number, where the cause came from the system.
    [[nodiscard]] int code() const noexcept { return m_code; }
    [[nodiscard]] const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
    Cause m_cause;
    int m_code;
};

// The cause as a short Japanese phrase, for the parentheses of a message:
// 「x.hy3」に書き込めません（容量不足です）.
[[nodiscard]] QString causeText(Cause cause, int code = 0);

// A stable English word for the cause, for machine-readable output.
[[nodiscard]] QString causeId(Cause cause);

} // namespace hy3
