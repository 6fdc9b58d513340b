#pragma once

#include "convert.h"
#include "folderpath.h"

#include <QString>
#include <QStringList>

namespace hy3::cli {

struct Request
{
    enum class Command { Help, Version, Convert, List };

    Command command = Command::Help;
    DataKind kind = DataKind::Standard;
    ColumnOptions options;
    QStringList operands; // convert: SOURCE DEST FILE...; list: FOLDER
};

// A usage error: the Japanese message for stderr.
struct UsageError
{
    QString message;
};

// Parses the arguments after the program name; throws UsageError.
[[nodiscard]] Request ParseCommandLine(const QStringList &arguments);

[[nodiscard]] QString HelpText();

} // namespace hy3::cli
