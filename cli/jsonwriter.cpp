// SPDX-License-Identifier: MIT
#include "jsonwriter.h"

#include "text/cp932.h"
#include "messages.h"
#include "files/paths.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace {

// A value's JSON text, through Qt's own writer.
QByteArray encoded(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

void JsonWriter::separate(QStringView key)
{
    if (!m_first.empty()) {
        if (!m_first.back())
            m_out(",\n");
        else
            m_out("\n");
        m_first.back() = false;
    }
    if (!key.isEmpty())
        m_out(encoded(key.toString()) + ": ");
}

void JsonWriter::beginObject(QStringView key)
{
    separate(key);
    m_out("{");
    m_first.push_back(true);
}

void JsonWriter::endObject()
{
    m_first.pop_back();
    m_out(m_first.empty() ? "\n}\n" : "\n}");
}

void JsonWriter::beginArray(QStringView key)
{
    separate(key);
    m_out("[");
    m_first.push_back(true);
}

void JsonWriter::endArray()
{
    m_first.pop_back();
    m_out("\n]");
}

void JsonWriter::value(QStringView key, const QJsonValue &value)
{
    separate(key);
    m_out(encoded(value));
}

QJsonObject errorObject(const Failure &failure, const QString &message)
{
    return {{u"message"_s, message}, {u"code"_s, causeId(failure.cause)}, {u"systemError"_s, failure.code}};
}

void putPath(QJsonObject &object, const QString &key, const QString &path)
{
    object.insert(key, fs::shown(path));
    if (fs::hasKeptBytes(path))
        object.insert(key + u"Bytes"_s, QString::fromLatin1(fs::systemBytes(path).toHex()));
}

void putName(QJsonObject &object, const QString &key, const QByteArray &cp932)
{
    const QString name = decodeCp932(cp932);
    object.insert(key, name);
    if (encodeCp932(name) != cp932)
        object.insert(key + u"Bytes"_s, QString::fromLatin1(cp932.toHex()));
}

} // namespace hy3::cli
