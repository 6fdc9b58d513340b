// SPDX-License-Identifier: MIT
#pragma once

#include "engine/job.h"
#include "format/convert.h"
#include "format/kinds.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace hy3::cli {

enum class Command { Overview, Version, Convert, List, Show };

// What the command line asks for, once parsed and checked.
struct Request
{
    Command command = Command::Overview;
    bool help = false;            // --help: the command's own help
    std::optional<DataKind> kind; // --kind: the kind to convert or list; without it, both
    ColumnOptions columns;
    std::optional<QString> outputFolder; // -o: the form with sources as operands
    bool recursive = false;
    bool dryRun = false;
    bool json = false;
    bool noOverwrite = false;
    std::optional<QString> backup; // -b or --backup[=CONTROL]: the control given, or empty
    std::optional<QString> suffix; // --suffix, -S
    std::optional<QString> report; // --report FILE
    bool quiet = false;
    bool verbose = false;
    std::optional<QString> filesFrom; // a file, or "-" for standard input
    bool nullSeparated = false;
    int firstColumn = 1; // show --columns
    int lastColumn = kNewColumns;
    QStringList operands;

    // convert --kind K SRC DST [NAMES...]: names relative to SRC, outputs into DST.
    [[nodiscard]] bool isFolderPairForm() const { return command == Command::Convert && !outputFolder; }
};

// A mistake on the command line; the message is Japanese, for standard error.
struct UsageError
{
    QString message;
};

// One option as a command declares it: its names, its value (none: a switch),
// what it does, and how it goes into the request (throwing UsageError for a
// value it can't take).
struct OptionDeclaration
{
    QStringList names; // one letter: -x; longer: --name
    QString valueName;
    QString description;
    std::function<void(Request &request, const QString &value)> apply;
    // A switch whose long form may also take a value (--backup[=CONTROL]): its name in the help.
    QString optionalValueName = {};
};

struct CommandDeclaration
{
    Command command;
    QString name;
    QString summary; // one line, for the overview
    QStringList usage;
    QString description;
    QList<OptionDeclaration> options;
    // Checks that need the whole request (operands, options together).
    std::function<void(const Request &request)> check;
};

// The commands and what they take.
[[nodiscard]] const QList<CommandDeclaration> &commands();

// The backup policy -b, --backup, --suffix and the environment ask for;
// throws UsageError for a method or a suffix it can't take.
[[nodiscard]] BackupPolicy backupPolicy(const Request &request);

// Parses the arguments after the program name; throws UsageError.
[[nodiscard]] Request parseCommandLine(const QStringList &arguments);

// The overview (no command), or one command's own help.
[[nodiscard]] QString helpText();
[[nodiscard]] QString helpText(Command command);

} // namespace hy3::cli
