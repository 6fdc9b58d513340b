// SPDX-License-Identifier: MIT
#pragma once

#include "cause.h"
#include "console.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringView>

#include <functional>
#include <vector>

namespace hy3::cli {

// Writes one JSON document piece by piece as its parts become known, so that
// any number of files or rows takes little memory.
class JsonWriter
{
public:
    using Output = std::function<void(QByteArrayView bytes)>;

    explicit JsonWriter(Console &console) : m_out([&console](QByteArrayView bytes) { console.raw(bytes); }) {}
    explicit JsonWriter(Output out) : m_out(std::move(out)) {}

    void beginObject(QStringView key = {});
    void endObject();
    void beginArray(QStringView key = {});
    void endArray();
    // A member of the object being written, or (without a key) an element of the array.
    void value(QStringView key, const QJsonValue &value);
    void value(const QJsonValue &value) { this->value({}, value); }

private:
    void separate(QStringView key);

    Output m_out;
    std::vector<bool> m_first; // per open object or array: nothing written in it yet
};

// The one shape of an error in JSON output.
[[nodiscard]] QJsonObject errorObject(const Failure &failure, const QString &message);
// "key": the path as shown, and where its bytes are not UTF-8, "keyBytes":
// those bytes in hex, so that two such names never look the same.
void putPath(QJsonObject &object, const QString &key, const QString &path);
// "key": a record's Name decoded from cp932, and where that loses
// something, "keyBytes": its bytes in hex.
void putName(QJsonObject &object, const QString &key, const QByteArray &cp932);

} // namespace hy3::cli
