// SPDX-License-Identifier: MIT
#include "commandline.h"

#include <QCommandLineParser>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace hy3::cli {

namespace {

// The options of every command; which command takes which is checked after parsing.
struct Options
{
    QCommandLineOption help{{u"h"_s, u"help"_s}, QString()};
    QCommandLineOption version{{u"V"_s, u"version"_s}, QString()};
    QCommandLineOption kind{{u"k"_s, u"kind"_s}, QString(), u"hyo|hyp"_s};
    QCommandLineOption output{{u"o"_s, u"output"_s}, QString(), u"DIR"_s};
    QCommandLineOption recursive{{u"r"_s, u"recursive"_s}, QString()};
    QCommandLineOption dryRun{{u"n"_s, u"dry-run"_s}, QString()};
    QCommandLineOption json{u"json"_s, QString()};
    QCommandLineOption noOverwrite{u"no-overwrite"_s, QString()};
    QCommandLineOption quiet{{u"q"_s, u"quiet"_s}, QString()};
    QCommandLineOption verbose{{u"v"_s, u"verbose"_s}, QString()};
    QCommandLineOption filesFrom{u"files-from"_s, QString(), u"FILE"_s};
    QCommandLineOption null{{u"0"_s, u"null"_s}, QString()};
    QCommandLineOption ticket{u"ticket-column"_s, QString(), u"N"_s};
    QCommandLineOption move{u"move"_s, QString(), u"FROM:TO"_s};
    QCommandLineOption columns{u"columns"_s, QString(), u"RANGE"_s};
};

int columnNumber(const QString &text, int last, const QString &what)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1 || value > last)
        throw UsageError{u"%1 は 1～%2 の整数で指定してください（指定値: %3）"_s.arg(what).arg(last).arg(text)};
    return value;
}

DataKind kindFrom(const QString &text)
{
    if (text.compare(u"hyo"_s, Qt::CaseInsensitive) == 0)
        return DataKind::Standard;
    if (text.compare(u"hyp"_s, Qt::CaseInsensitive) == 0)
        return DataKind::Private;
    throw UsageError{u"--kind には hyo か hyp を指定してください（指定値: %1）"_s.arg(text)};
}

void parseMove(const QString &text, ColumnOptions &columns)
{
    const QStringList parts = text.split(u':');
    if (parts.size() != 2)
        throw UsageError{u"--move は 移動元:移動先 の形で指定してください（例: 3:100、指定値: %1）"_s.arg(text)};
    columns.moveColumn = true;
    columns.moveFrom = columnNumber(parts[0], 72, u"--move の移動元の列"_s);
    columns.moveTo = columnNumber(parts[1], 150, u"--move の移動先の列"_s);
}

// QCommandLineParser words its errors in English; say them in Japanese.
UsageError parseError(const QCommandLineParser &parser)
{
    if (!parser.unknownOptionNames().isEmpty()) {
        const QString name = parser.unknownOptionNames().first();
        return {u"不明なオプションです: %1%2"_s.arg(name.size() == 1 ? u"-"_s : u"--"_s, name)};
    }
    static const QRegularExpression missing(u"'([^']+)'"_s);
    if (const auto match = missing.match(parser.errorText()); match.hasMatch())
        return {u"%1 に値がありません"_s.arg(match.captured(1))};
    return {u"コマンドラインを解釈できません（%1）"_s.arg(parser.errorText())};
}

Request::Command commandFrom(const QString &word)
{
    if (word == u"convert")
        return Request::Command::Convert;
    if (word == u"list")
        return Request::Command::List;
    if (word == u"show")
        return Request::Command::Show;
    throw UsageError{u"不明なコマンドです: %1（convert、list、show のどれかです）"_s.arg(word)};
}

// Options that belong to other commands are a mistake, not something to ignore.
void checkOptionsBelong(const QCommandLineParser &parser, const Options &o, Request::Command command)
{
    const auto only = [&](const QCommandLineOption &option, bool allowed, const QString &where) {
        if (parser.isSet(option) && !allowed)
            throw UsageError{u"--%1 は %2 でのみ使えます"_s.arg(option.names().last(), where)};
    };
    const bool convert = command == Request::Command::Convert;
    const bool list = command == Request::Command::List;
    const bool show = command == Request::Command::Show;
    only(o.output, convert, u"convert"_s);
    only(o.dryRun, convert, u"convert"_s);
    only(o.noOverwrite, convert, u"convert"_s);
    only(o.ticket, convert, u"convert"_s);
    only(o.move, convert, u"convert"_s);
    only(o.filesFrom, convert, u"convert"_s);
    only(o.null, convert, u"convert"_s);
    only(o.quiet, convert, u"convert"_s);
    only(o.verbose, convert, u"convert"_s);
    only(o.recursive, convert || list, u"convert と list"_s);
    only(o.kind, convert || list, u"convert と list"_s);
    only(o.columns, show, u"show"_s);
}

bool isBlank(const QString &text)
{
    return text.trimmed().isEmpty();
}

void checkOperands(const Request &request)
{
    switch (request.command) {
    case Request::Command::Convert:
        if (request.outputFolder) {
            if (isBlank(*request.outputFolder))
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
        if (isBlank(request.operands[0]) || isBlank(request.operands[1]))
            throw UsageError{u"変換元・変換先のフォルダーが空です（今いるフォルダーは . で指定してください）"_s};
        return;
    case Request::Command::List:
        if (request.operands.isEmpty())
            throw UsageError{u"list には一覧するフォルダーを指定してください"_s};
        return;
    case Request::Command::Show:
        if (request.operands.isEmpty())
            throw UsageError{u"show には表示するデータファイルを指定してください"_s};
        return;
    default:
        return;
    }
}

} // namespace

Request parseCommandLine(const QStringList &arguments)
{
    const Options o;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    for (const QCommandLineOption *option : {&o.help, &o.version, &o.kind, &o.output, &o.recursive, &o.dryRun, &o.json,
                                             &o.noOverwrite, &o.quiet, &o.verbose, &o.filesFrom, &o.null, &o.ticket,
                                             &o.move, &o.columns})
        parser.addOption(*option);
    const bool parsed = parser.parse(QStringList{u"hy3conv"_s} + arguments);

    Request request;
    if (parser.isSet(o.help))
        return request;
    if (parser.isSet(o.version)) {
        request.command = Request::Command::Version;
        return request;
    }
    if (!parsed)
        throw parseError(parser);
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        throw UsageError{u"コマンドを指定してください（convert、list、show）"_s};
    request.command = commandFrom(positional.takeFirst());
    request.operands = positional;
    checkOptionsBelong(parser, o, request.command);

    if (parser.isSet(o.kind))
        request.kind = kindFrom(parser.value(o.kind));
    if (parser.isSet(o.output))
        request.outputFolder = parser.value(o.output);
    if (parser.isSet(o.filesFrom))
        request.filesFrom = parser.value(o.filesFrom);
    if (parser.isSet(o.ticket)) {
        request.columns.ticketNumber = true;
        request.columns.ticketColumn = columnNumber(parser.value(o.ticket), 72, u"--ticket-column"_s);
        if (request.kind == DataKind::Private)
            throw UsageError{u"--ticket-column は *.hyo のデータにだけ使えます（*.hyp は整理券番号を自分で持っています）"_s};
    }
    if (parser.isSet(o.move))
        parseMove(parser.value(o.move), request.columns);
    request.recursive = parser.isSet(o.recursive);
    request.dryRun = parser.isSet(o.dryRun);
    request.json = parser.isSet(o.json);
    request.noOverwrite = parser.isSet(o.noOverwrite);
    request.quiet = parser.isSet(o.quiet);
    request.verbose = parser.isSet(o.verbose);
    request.nullSeparated = parser.isSet(o.null);
    request.columnRange = parser.value(o.columns);
    if (request.quiet && request.verbose)
        throw UsageError{u"-q と -v は一緒に使えません"_s};
    if (request.nullSeparated && !request.filesFrom)
        throw UsageError{u"-0 は --files-from と一緒に使ってください"_s};
    checkOperands(request);
    return request;
}

QString helpText()
{
    return uR"(使い方:
  hy3conv convert [オプション] -o 出力先 変換元...
  hy3conv convert --kind hyo|hyp [オプション] 変換元フォルダー 変換先フォルダー [ファイル名...]
  hy3conv list [--kind hyo|hyp] [-r] [--json] フォルダー|ファイル...
  hy3conv show [--columns 範囲] [--json] データファイル...
  hy3conv --help | --version

運賃表示器アプリの旧バージョンのデータ（*.hyo / *.hyp）を Ver3 用のデータ（*.hy3）へ
まとめて変換します。旧データは読むだけで、変更しません。

convert  変換元の各データファイルを変換し、「名前.hy3」として書き込みます。
         同じ名前のファイルは上書きされます（--no-overwrite で残せます）。
         -o の形では、変換元は *.hyo / *.hyp のファイルかフォルダー（中のデータ
         ファイルすべて）で、種類は拡張子で決まります（大文字・小文字は区別しません）。
         出力先のフォルダーがなければ作ります。フォルダーの中のファイルは自然な順
         （2 が 10 より前）に変換します。
         変換元フォルダーと変換先フォルダーを並べる形では、ファイル名は変換元
         フォルダーからの名前で、指定した順に変換します。省略するとフォルダーの
         データファイルをすべて変換します。
         失敗したファイルは理由を表示して、残りのファイルの変換を続けます。
         同じ出力先に書き込む 2 つ目以降の変換元は、変換しません。
list     データファイルを一覧します。1 行に 1 ファイルで、ファイル名、先頭行の名前、
         データ行数をタブで区切って表示します。
show     データファイル（*.hyo / *.hyp / *.hy3）の各行を表で表示します。番号、名前、
         整理券番号（*.hyp と *.hy3）、各列の値をタブで区切ります。整理券番号が
         旧データのどの列にあるか確かめてから --ticket-column を選べます。

オプション:
  -o, --output フォルダー   出力先のフォルダー
  -k, --kind hyo|hyp        変換・一覧するデータの種類（hyo: 標準形式、
                            hyp: 自家用データ形式）。-o の形では絞り込みです
  -r, --recursive           フォルダーの中のフォルダーもたどり、同じ構成で出力します
  -n, --dry-run             書き込まずに、何が書き込まれるか（上書きするものには
                            「上書き」）を表示します。終了コードは実際の変換と同じです
      --no-overwrite        既にある出力ファイルは残し、「変換しませんでした」と表示します
      --ticket-column N     旧データの N 列目（1～72）を「整理券番号列」へ移動します
                            （*.hyo のみ）
      --move 移動元:移動先   旧データの列（1～72）を新データの列（1～150）へ移動します
      --files-from ファイル  変換元を 1 行に 1 つずつ書いたファイル（- で標準入力）
  -0, --null                --files-from の区切りを改行ではなく NUL 文字にします
      --json                結果を 1 つの JSON 文書として標準出力に書きます
      --columns 範囲        show で表示する列（例: 1-10、5）
  -q, --quiet               エラーだけを表示します
  -v, --verbose             データ行数も表示します
  -h, --help                この説明を表示します
  -V, --version             バージョンを表示します
  --                        これより後はオプションではなく変換元などとして扱います

出力:
  データは標準出力に、メッセージは「hy3conv:」で始めて標準エラーに書きます。
  ファイル名や名前の中のタブ、改行、復帰、\ は \t、\n、\r、\\ と書きます。
  標準エラーが端末なら、長い変換の間は進み具合を 1 行で表示します。

終了コード:
  0  すべて成功しました（--no-overwrite で残したファイルを含みます）
  1  変換または読み込みに失敗したファイルがあります
  2  コマンドラインの指定に誤りがあります
  3  データファイルが見つかりませんでした
)"_s;
}

} // namespace hy3::cli
