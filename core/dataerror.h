#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace hy3 {

// The one failure type of the data layer. The message is Japanese, names the
// file and says the cause, and is meant to be shown to the user as it stands.
class DataError : public std::exception
{
public:
    explicit DataError(QString message)
        : m_message(std::move(message))
        , m_utf8(m_message.toUtf8())
    {
    }

    [[nodiscard]] const QString &message() const noexcept { return m_message; }
    [[nodiscard]] const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

} // namespace hy3
