// SPDX-License-Identifier: MIT
#pragma once

#include "convert.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace hy3::cli {

struct Request
{
    enum class Command { Help, Version, Convert, List, Show };

    Command command = Command::Help;
    std::optional<DataKind> kind; // --kind: the kind to convert or list; without it, both
    ColumnOptions columns;
    std::optional<QString> outputFolder; // -o: the form with sources as operands
    bool recursive = false;
    bool dryRun = false;
    bool json = false;
    bool noOverwrite = false;
    bool quiet = false;
    bool verbose = false;
    std::optional<QString> filesFrom; // a file, or "-" for standard input
    bool nullSeparated = false;
    QString columnRange; // show --columns, e.g. "1-10"
    QStringList operands;

    // convert --kind K SRC DST [NAMES...]: names relative to SRC, outputs into DST.
    [[nodiscard]] bool isFolderPairForm() const { return command == Command::Convert && !outputFolder; }
};

// A mistake on the command line; the message is Japanese, for standard error.
struct UsageError
{
    QString message;
};

// Parses the arguments after the program name; throws UsageError.
[[nodiscard]] Request parseCommandLine(const QStringList &arguments);

[[nodiscard]] QString helpText();

} // namespace hy3::cli
