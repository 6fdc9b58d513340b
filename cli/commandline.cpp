// SPDX-License-Identifier: MIT
#include "commandline.h"

#include "fs/sys.h"

#include <QCommandLineParser>

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace {

int columnNumber(const QString &text, int last, const QString &what)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1 || value > last)
        throw UsageError{u"%1 は 1～%2 の整数で指定してください（指定値: %3）"_s.arg(what).arg(last).arg(text)};
    return value;
}

// ---- the options, each once -------------------------------------------------

OptionDeclaration kindOption(const QString &description)
{
    return {{u"k"_s, u"kind"_s}, u"hyo|hyp"_s, description, [](Request &request, const QString &value) {
                request.kind = kindNamed(value);
                if (!request.kind)
                    throw UsageError{u"--kind には hyo か hyp を指定してください（指定値: %1）"_s.arg(value)};
            }};
}

OptionDeclaration recursiveOption(const QString &description)
{
    return {{u"r"_s, u"recursive"_s}, {}, description, [](Request &request, const QString &) { request.recursive = true; }};
}

OptionDeclaration jsonOption()
{
    return {{u"json"_s}, {}, u"結果を 1 つの JSON 文書として標準出力に書きます"_s,
            [](Request &request, const QString &) { request.json = true; }};
}

void parseMove(const QString &text, ColumnOptions &columns)
{
    const QStringList parts = text.split(u':');
    if (parts.size() != 2)
        throw UsageError{u"--move は 移動元:移動先 の形で指定してください（例: 3:100、指定値: %1）"_s.arg(text)};
    columns.moveColumn = true;
    columns.moveFrom = columnNumber(parts[0], kOldColumnChoices, u"--move の移動元の列"_s);
    columns.moveTo = columnNumber(parts[1], kNewColumns, u"--move の移動先の列"_s);
}

// "1-10", "5" or nothing (every column).
void parseColumns(const QString &text, Request &request)
{
    const QStringList parts = text.split(u'-');
    bool okFirst = false;
    bool okLast = false;
    const int first = parts.first().toInt(&okFirst);
    const int last = parts.size() == 2 ? parts[1].toInt(&okLast) : first;
    if (parts.size() > 2 || !okFirst || (parts.size() == 2 && !okLast) || first < 1 || last < first)
        throw UsageError{u"--columns は 1-10 や 5 のように指定してください（指定値: %1）"_s.arg(text)};
    request.firstColumn = first;
    request.lastColumn = last;
}

void checkConvert(const Request &request)
{
    (void)backupPolicy(request);
    if (request.report && request.report->isEmpty())
        throw UsageError{u"--report には書き込むファイルを指定してください"_s};
    if (request.quiet && request.verbose)
        throw UsageError{u"-q と -v は一緒に使えません"_s};
    if (request.nullSeparated && !request.filesFrom)
        throw UsageError{u"-0 は --files-from と一緒に使ってください"_s};
    if (request.columns.ticketNumber && request.kind == DataKind::Private)
        throw UsageError{u"--ticket-column は *.hyo のデータにだけ使えます（*.hyp は整理券番号を自分で持っています）"_s};
    if (request.outputFolder) {
        if (request.outputFolder->isEmpty())
            throw UsageError{u"-o には出力先のフォルダーを指定してください（空にはできません）"_s};
        if (request.operands.isEmpty() && !request.filesFrom)
            throw UsageError{u"変換するファイルかフォルダーを指定してください"_s};
        return;
    }
    if (!request.kind)
        throw UsageError{u"-o 出力先 を指定するか、--kind hyo または --kind hyp と 変換元・変換先のフォルダーを指定してください"_s};
    if (request.filesFrom)
        throw UsageError{u"--files-from は -o 出力先 と一緒に使ってください"_s};
    if (request.operands.size() < 2)
        throw UsageError{u"convert には変換元フォルダーと変換先フォルダーを指定してください"_s};
    if (request.operands[0].isEmpty() || request.operands[1].isEmpty())
        throw UsageError{u"変換元・変換先のフォルダーが空です（今いるフォルダーは . で指定してください）"_s};
}

QList<CommandDeclaration> declare()
{
    CommandDeclaration convert{
        Command::Convert,
        u"convert"_s,
        u"旧データを *.hy3 に変換します"_s,
        {u"hy3conv convert [オプション] -o 出力先 変換元..."_s,
         u"hy3conv convert --kind hyo|hyp [オプション] 変換元フォルダー 変換先フォルダー [ファイル名...]"_s},
        u"変換元の各データファイルを変換し、「名前.hy3」として書き込みます。同じ名前のファイルは\n"
        "上書きされます（--no-overwrite で残せます）。\n"
        "-o の形では、変換元は *.hyo / *.hyp のファイルかフォルダー（中のデータファイルすべて）で、\n"
        "種類は拡張子で決まります（大文字・小文字は区別しません）。出力先のフォルダーがなければ\n"
        "作ります。フォルダーの中のファイルは自然な順（2 が 10 より前）に変換します。\n"
        "変換元フォルダーと変換先フォルダーを並べる形では、ファイル名は変換元フォルダーからの名前で、\n"
        "指定した順に変換します。省略するとフォルダーのデータファイルをすべて変換します。\n"
        "失敗したファイルは理由を表示して、残りのファイルの変換を続けます。同じ出力先に書き込む\n"
        "2 つ目以降の変換元は、変換しません。Ctrl+C で中止すると、書き込み中のまとまりを保存して\n"
        "から止まり、変換したものとしていないものの数を表示します（もう一度押すとすぐに止まります）。"_s,
        {{{u"o"_s, u"output"_s}, u"フォルダー"_s, u"出力先のフォルダー"_s,
          [](Request &request, const QString &value) { request.outputFolder = value; }},
         kindOption(u"変換するデータの種類（hyo: 標準形式、hyp: 自家用データ形式）。\n"
                    "-o の形では絞り込みです"_s),
         recursiveOption(u"フォルダーの中のフォルダーもたどり、同じ構成で出力します\n"
                         "（フォルダーへのシンボリックリンクはたどりません）"_s),
         {{u"n"_s, u"dry-run"_s}, {},
          u"書き込まずに、何が書き込まれるか（上書きするものには「上書き」）を\n"
          "表示します。終了コードは実際の変換と同じです"_s,
          [](Request &request, const QString &) { request.dryRun = true; }},
         {{u"no-overwrite"_s}, {}, u"既にある出力ファイルは残し、「変換しませんでした」と表示します"_s,
          [](Request &request, const QString &) { request.noOverwrite = true; }},
         {{u"b"_s, u"backup"_s}, {},
          u"置き換える前の出力を、出力の隣に残します（GNU cp と同じ）。方式は\n"
          "none・off（残さない）、numbered・t（名前.~1~ など番号付き）、\n"
          "existing・nil（番号付きがあれば番号付き、なければ単純）、\n"
          "simple・never（名前 + 接尾辞）。省略時は環境変数 VERSION_CONTROL、\n"
          "それもなければ existing。同じ内容の出力はそのままにし、残しません"_s,
          [](Request &request, const QString &control) {
              if (!control.isEmpty() || !request.backup)
                  request.backup = control;
          },
          u"方式"_s},
         {{u"S"_s, u"suffix"_s}, u"接尾辞"_s,
          u"単純な方式で残すときの接尾辞（既定は環境変数 SIMPLE_BACKUP_SUFFIX、\nなければ ~）"_s,
          [](Request &request, const QString &value) { request.suffix = value; }},
         {{u"report"_s}, u"ファイル"_s,
          u"結果をファイルに書きます（Excel で開ける CSV。名前が .json なら --json と\n"
          "同じ JSON）。中止したときも、変換しなかったファイルを含めて書きます"_s,
          [](Request &request, const QString &value) { request.report = value; }},
         {{u"ticket-column"_s}, u"N"_s, u"旧データの N 列目（1～72）を「整理券番号列」へ移動します\n（*.hyo のみ）"_s,
          [](Request &request, const QString &value) {
              request.columns.ticketNumber = true;
              request.columns.ticketColumn = columnNumber(value, kOldColumnChoices, u"--ticket-column"_s);
          }},
         {{u"move"_s}, u"移動元:移動先"_s, u"旧データの列（1～72）を新データの列（1～150）へ移動します"_s,
          [](Request &request, const QString &value) { parseMove(value, request.columns); }},
         {{u"files-from"_s}, u"ファイル"_s, u"変換元を 1 行に 1 つずつ書いたファイル（- で標準入力）"_s,
          [](Request &request, const QString &value) { request.filesFrom = value; }},
         {{u"0"_s, u"null"_s}, {}, u"--files-from の区切りを改行ではなく NUL 文字にします"_s,
          [](Request &request, const QString &) { request.nullSeparated = true; }},
         jsonOption(),
         {{u"q"_s, u"quiet"_s}, {}, u"エラーだけを表示します"_s,
          [](Request &request, const QString &) { request.quiet = true; }},
         {{u"v"_s, u"verbose"_s}, {}, u"データ行数も表示します"_s,
          [](Request &request, const QString &) { request.verbose = true; }}},
        checkConvert};

    CommandDeclaration list{Command::List,
                     u"list"_s,
                     u"旧データの一覧（ファイル名、先頭行の名前、データ行数）を表示します"_s,
                     {u"hy3conv list [オプション] フォルダー|ファイル..."_s},
                     u"データファイルを一覧します。1 行に 1 ファイルで、ファイル名、先頭行の名前、データ行数を\n"
                     "タブで区切って表示します。フォルダーの中のファイルは自然な順に並べます。"_s,
                     {kindOption(u"一覧するデータの種類（hyo: 標準形式、hyp: 自家用データ形式）"_s),
                      recursiveOption(u"フォルダーの中のフォルダーもたどります\n"
                                      "（フォルダーへのシンボリックリンクはたどりません）"_s),
                      jsonOption()},
                     [](const Request &request) {
                         if (request.operands.isEmpty())
                             throw UsageError{u"list には一覧するフォルダーを指定してください"_s};
                     }};

    CommandDeclaration show{Command::Show,
                     u"show"_s,
                     u"データファイルの各行を表で表示します"_s,
                     {u"hy3conv show [オプション] データファイル..."_s},
                     u"データファイル（*.hyo / *.hyp / *.hy3）の各行を表で表示します。番号、名前、整理券番号\n"
                     "（*.hyp と *.hy3）、各列の値をタブで区切ります。整理券番号が旧データのどの列にあるか\n"
                     "確かめてから --ticket-column を選べます。"_s,
                     {{{u"columns"_s}, u"範囲"_s, u"表示する列（例: 1-10、5）"_s,
                       [](Request &request, const QString &value) { parseColumns(value, request); }},
                      jsonOption()},
                     [](const Request &request) {
                         if (request.operands.isEmpty())
                             throw UsageError{u"show には表示するデータファイルを指定してください"_s};
                     }};
    return {convert, list, show};
}

const CommandDeclaration *commandNamed(const QString &word)
{
    for (const CommandDeclaration &declared : commands()) {
        if (declared.name == word)
            return &declared;
    }
    return nullptr;
}

const OptionDeclaration *optionNamed(const CommandDeclaration &declared, QStringView name)
{
    for (const OptionDeclaration &option : declared.options) {
        if (option.names.contains(name))
            return &option;
    }
    return nullptr;
}

QString dashed(QStringView name)
{
    return (name.size() == 1 && name != u"-" ? u"-"_s : u"--"_s) + (name == u"-" ? QString() : name.toString());
}

// The two mistakes QCommandLineParser would only word in English: a value
// missing after the last option, and a value given to a switch.
void checkValues(const CommandDeclaration &declared, const QStringList &arguments)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const bool last = i + 1 == arguments.size();
        if (argument == u"--")
            return;
        if (argument.startsWith(u"--")) {
            const QString name = argument.mid(2).section(u'=', 0, 0);
            const OptionDeclaration *option = optionNamed(declared, name);
            if (option && option->valueName.isEmpty() && argument.contains(u'='))
                throw UsageError{u"%1 は値を取りません"_s.arg(dashed(name))};
            if (option && !option->valueName.isEmpty() && !argument.contains(u'=')) {
                if (last)
                    throw UsageError{u"%1 に値がありません"_s.arg(dashed(name))};
                ++i;
            }
        } else if (argument.startsWith(u'-') && argument.size() > 1) {
            for (qsizetype at = 1; at < argument.size(); ++at) {
                const OptionDeclaration *option = optionNamed(declared, QStringView(argument).sliced(at, 1));
                if (!option || option->valueName.isEmpty())
                    continue;
                if (at + 1 == argument.size()) { // the value is the next argument
                    if (last)
                        throw UsageError{u"%1 に値がありません"_s.arg(dashed(option->names.first()))};
                    ++i;
                }
                break; // the rest of the word is its value
            }
        }
    }
}

UsageError unknownOption(const QString &name)
{
    for (const CommandDeclaration &declared : commands()) {
        if (optionNamed(declared, name))
            return {u"%1 は %2 のオプションです。このコマンドでは使えません"_s.arg(dashed(name), declared.name)};
    }
    return {u"不明なオプションです: %1"_s.arg(dashed(name))};
}

bool isHelp(const QString &argument)
{
    return argument == u"--help" || argument == u"-h";
}

bool isVersion(const QString &argument)
{
    return argument == u"--version" || argument == u"-V";
}

// Columns a text takes on a terminal: East Asian wide characters take two.
int displayWidth(const QString &text)
{
    int width = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3)
            || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60)
            || (u >= 0xFFE0 && u <= 0xFFE6);
        width += wide ? 2 : 1;
    }
    return width;
}

QString optionLines(const QList<OptionDeclaration> &options)
{
    QString text;
    for (const OptionDeclaration &option : options) {
        QStringList names;
        for (const QString &name : option.names)
            names.append(dashed(name));
        QString head = u"  "_s + names.join(u", "_s);
        if (!option.valueName.isEmpty())
            head += u' ' + option.valueName;
        if (!option.optionalValueName.isEmpty())
            head += u"[="_s + option.optionalValueName + u']';
        const QStringList lines = option.description.split(u'\n');
        text += head + QString(qMax(1, 29 - displayWidth(head)), u' ') + lines.first() + u'\n';
        for (qsizetype i = 1; i < lines.size(); ++i)
            text += QString(29, u' ') + lines[i] + u'\n';
    }
    return text;
}

QString commonText()
{
    const bool windows = fs::sys::kWindows;
    return uR"(
出力:
  データは標準出力に、メッセージは「hy3conv:」で始めて標準エラーに書きます。
  ファイル名や名前の中の制御文字は \t、\n、\r、\x1b のように書きます)"_s
        + (windows ? uR"(。パスは
  そのまま貼り付けて使える形で書きます（\ は区切りのまま）。)"_s
                   : uR"(（\ は \\ と書きます）。)"_s)
        + uR"(
  標準エラーが端末なら、長い変換の間は進み具合（済んだ数/全体の数）を 1 行で表示します。
  標準出力に書き込めないとき（容量不足など）は、そう表示して終了コード 1 で終わります。

隠しファイル:
)"_s
        + (windows ? uR"(  隠し属性やシステム属性のファイルは、一覧にも変換にも含めません。)"_s
                   : uR"(  名前が「.」で始まるファイルは、一覧にも変換にも含めません。)"_s)
        + uR"(その数は最後に
  「隠しファイル N 件は対象外です」と表示します（--json では "hidden"）。

終了コード:
  0    すべて成功しました（--no-overwrite で残したファイルを含みます）
  1    変換・読み込み・出力に失敗したものがあります
  2    コマンドラインの指定に誤りがあります
  3    データファイルが見つかりませんでした
  130  Ctrl+C などで中止しました
)"_s;
}

} // namespace

BackupPolicy backupPolicy(const Request &request)
{
    BackupPolicy policy;
    if (!request.backup)
        return policy;
    // GNU's names, or a prefix of one that names no other.
    static const QList<std::pair<QString, BackupPolicy::Naming>> kControls{
        {u"none"_s, BackupPolicy::Naming::None},         {u"off"_s, BackupPolicy::Naming::None},
        {u"numbered"_s, BackupPolicy::Naming::Numbered}, {u"t"_s, BackupPolicy::Naming::Numbered},
        {u"existing"_s, BackupPolicy::Naming::Existing}, {u"nil"_s, BackupPolicy::Naming::Existing},
        {u"simple"_s, BackupPolicy::Naming::Simple},     {u"never"_s, BackupPolicy::Naming::Simple}};
    const bool fromEnvironment = request.backup->isEmpty();
    QString control = fromEnvironment ? qEnvironmentVariable("VERSION_CONTROL") : *request.backup;
    if (control.isEmpty())
        control = u"existing"_s; // as GNU: unset or empty
    std::optional<BackupPolicy::Naming> found;
    bool ambiguous = false;
    for (const auto &[name, naming] : kControls) {
        if (name == control) {
            found = naming;
            ambiguous = false;
            break;
        }
        if (!control.isEmpty() && name.startsWith(control)) {
            ambiguous = ambiguous || (found && *found != naming);
            found = naming;
        }
    }
    if (!found || ambiguous)
        throw UsageError{u"%1 の方式は none・off・numbered・t・existing・nil・simple・never のどれかです（指定値: %2）"_s
                             .arg(fromEnvironment ? u"環境変数 VERSION_CONTROL"_s : u"--backup"_s, control)};
    policy.naming = *found;
    policy.suffix = request.suffix.value_or(qEnvironmentVariable("SIMPLE_BACKUP_SUFFIX"));
    if (policy.suffix.isEmpty() && !request.suffix)
        policy.suffix = u"~"_s;
    if (policy.suffix.isEmpty() || policy.suffix.contains(u'/') || (fs::sys::kWindows && policy.suffix.contains(u'\\')))
        throw UsageError{u"--suffix には区切り文字を含まない空でない文字列を指定してください（指定値: %1）"_s.arg(policy.suffix)};
    return policy;
}

const QList<CommandDeclaration> &commands()
{
    static const QList<CommandDeclaration> declared = declare();
    return declared;
}

Request parseCommandLine(const QStringList &arguments)
{
    Request request;
    const qsizetype end = arguments.indexOf(u"--"_s);
    const QStringList options = end < 0 ? arguments : arguments.first(end);
    const auto commandAt = std::find_if(arguments.cbegin(), end < 0 ? arguments.cend() : arguments.cbegin() + end,
                                        [](const QString &argument) { return !argument.startsWith(u'-'); });
    const CommandDeclaration *chosen = nullptr;
    if (commandAt != arguments.cend() && (end < 0 || commandAt < arguments.cbegin() + end)) {
        chosen = commandNamed(*commandAt);
        if (!chosen && !std::any_of(options.cbegin(), options.cend(), isHelp)
            && !std::any_of(options.cbegin(), options.cend(), isVersion))
            throw UsageError{u"不明なコマンドです: %1（convert、list、show のどれかです）"_s.arg(*commandAt)};
    }
    if (std::any_of(options.cbegin(), options.cend(), isVersion)) {
        request.command = Command::Version;
        return request;
    }
    if (std::any_of(options.cbegin(), options.cend(), isHelp)) {
        request.help = true;
        request.command = chosen ? chosen->command : Command::Overview;
        return request;
    }
    if (!chosen)
        throw UsageError{u"コマンドを指定してください（convert、list、show）"_s};

    QStringList rest = arguments;
    rest.removeAt(commandAt - arguments.cbegin());
    // --name=VALUE of a switch that may take one (--backup=numbered): the value
    // is taken here, the switch is left for the parser.
    for (QString &argument : rest) {
        if (argument == u"--")
            break;
        for (const OptionDeclaration &option : chosen->options) {
            if (option.optionalValueName.isEmpty())
                continue;
            const QString prefix = u"--"_s + option.names.last() + u'=';
            if (argument.startsWith(prefix)) {
                const QString value = argument.mid(prefix.size());
                if (value.isEmpty())
                    throw UsageError{u"%1 の%2が空です"_s.arg(prefix.chopped(1), option.optionalValueName)};
                option.apply(request, value);
                argument = prefix.chopped(1);
            }
        }
    }
    checkValues(*chosen, rest);
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    QList<QCommandLineOption> declared;
    for (const OptionDeclaration &option : chosen->options) {
        declared.append(option.valueName.isEmpty() ? QCommandLineOption(option.names)
                                                   : QCommandLineOption(option.names, option.description,
                                                                        option.valueName));
        parser.addOption(declared.last());
    }
    if (!parser.parse(QStringList{u"hy3conv"_s} + rest)) {
        if (!parser.unknownOptionNames().isEmpty())
            throw unknownOption(parser.unknownOptionNames().first());
        throw UsageError{u"コマンドラインを解釈できません"_s};
    }
    request.command = chosen->command;
    for (qsizetype i = 0; i < chosen->options.size(); ++i) {
        const QStringList values = parser.values(declared[i]);
        if (chosen->options[i].valueName.isEmpty()) {
            if (parser.isSet(declared[i]))
                chosen->options[i].apply(request, {});
        } else {
            for (const QString &value : values)
                chosen->options[i].apply(request, value);
        }
    }
    request.operands = parser.positionalArguments();
    if (chosen->check)
        chosen->check(request);
    return request;
}

QString helpText()
{
    QString text = u"使い方:\n"_s;
    for (const CommandDeclaration &declared : commands()) {
        for (const QString &line : declared.usage)
            text += u"  "_s + line + u'\n';
    }
    text += uR"(  hy3conv コマンド --help     コマンドのオプションを表示します

運賃表示器アプリの旧バージョンのデータ（*.hyo / *.hyp）を Ver3 用のデータ（*.hy3）へ
まとめて変換します。旧データは読むだけで、変更しません。

コマンド:
)"_s;
    for (const CommandDeclaration &declared : commands())
        text += u"  "_s + declared.name.leftJustified(9) + declared.summary + u'\n';
    text += u"\nオプション:\n"_s
        + optionLines({{{u"h"_s, u"help"_s}, {}, u"この説明を表示します（コマンドの後ろでは、そのコマンドの説明）"_s, {}},
                       {{u"V"_s, u"version"_s}, {}, u"版を表示します"_s, {}}});
    return text + commonText();
}

QString helpText(Command command)
{
    for (const CommandDeclaration &declared : commands()) {
        if (declared.command != command)
            continue;
        QString text = u"使い方:\n"_s;
        for (const QString &line : declared.usage)
            text += u"  "_s + line + u'\n';
        const QList<OptionDeclaration> always{
            {{u"h"_s, u"help"_s}, {}, u"この説明を表示します"_s, {}},
            {{u"-"_s}, {}, u"これより後はオプションではなく、変換元などとして扱います"_s, {}}};
        text += u'\n' + declared.description + u"\n\nオプション:\n"_s + optionLines(declared.options + always);
        return text + commonText();
    }
    return helpText();
}

} // namespace hy3::cli
