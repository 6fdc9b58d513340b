#include "commandline.h"

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

DataKind kindFrom(const QString &text)
{
    if (text == u"hyo")
        return DataKind::Standard;
    if (text == u"hyp")
        return DataKind::Private;
    throw UsageError{u"--kind には hyo か hyp を指定してください（指定値: %1）"_s.arg(text)};
}

void parseMove(const QString &text, ColumnOptions &options)
{
    const QStringList parts = text.split(u':');
    if (parts.size() != 2)
        throw UsageError{u"--move は 移動元:移動先 の形で指定してください（例: 3:100、指定値: %1）"_s.arg(text)};
    options.moveColumn = true;
    options.moveFrom = columnNumber(parts[0], 72, u"--move の移動元の列"_s);
    options.moveTo = columnNumber(parts[1], 150, u"--move の移動先の列"_s);
}

// "--name value" or "--name=value".
QString optionValue(const QStringList &arguments, qsizetype &i, const QString &name)
{
    const QString &argument = arguments[i];
    if (argument.startsWith(name + u'='))
        return argument.mid(name.size() + 1);
    if (i + 1 >= arguments.size())
        throw UsageError{u"%1 に値がありません"_s.arg(name)};
    return arguments[++i];
}

bool isOption(const QString &argument, const QString &name)
{
    return argument == name || argument.startsWith(name + u'=');
}

void checkOperands(const Request &request)
{
    if (request.command == Request::Command::Convert && request.operands.size() < 2)
        throw UsageError{u"convert には変換元フォルダーと変換先フォルダーを指定してください"_s};
    if (request.command == Request::Command::List && request.operands.size() != 1)
        throw UsageError{u"list にはフォルダーを1つだけ指定してください"_s};
}

} // namespace

Request ParseCommandLine(const QStringList &arguments)
{
    Request request;
    if (arguments.isEmpty())
        throw UsageError{u"コマンドを指定してください（convert または list）"_s};
    if (arguments.contains(u"--help"_s) || arguments.contains(u"-h"_s))
        return request;
    if (arguments.first() == u"--version") {
        request.command = Request::Command::Version;
        return request;
    }
    if (arguments.first() == u"convert")
        request.command = Request::Command::Convert;
    else if (arguments.first() == u"list")
        request.command = Request::Command::List;
    else
        throw UsageError{u"不明なコマンドです: %1"_s.arg(arguments.first())};

    bool kindGiven = false;
    bool ticketGiven = false;
    bool onlyOperands = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (onlyOperands || !argument.startsWith(u"--")) {
            request.operands.append(argument);
        } else if (argument == u"--") {
            onlyOperands = true;
        } else if (isOption(argument, u"--kind"_s)) {
            request.kind = kindFrom(optionValue(arguments, i, u"--kind"_s));
            kindGiven = true;
        } else if (request.command == Request::Command::Convert && isOption(argument, u"--ticket-column"_s)) {
            request.options.ticketNumber = true;
            request.options.ticketColumn =
                columnNumber(optionValue(arguments, i, u"--ticket-column"_s), 72, u"--ticket-column"_s);
            ticketGiven = true;
        } else if (request.command == Request::Command::Convert && isOption(argument, u"--move"_s)) {
            parseMove(optionValue(arguments, i, u"--move"_s), request.options);
        } else {
            throw UsageError{u"不明なオプションです: %1"_s.arg(argument)};
        }
    }
    if (!kindGiven)
        throw UsageError{u"--kind hyo または --kind hyp を指定してください"_s};
    if (ticketGiven && request.kind == DataKind::Private)
        throw UsageError{u"--ticket-column は --kind hyo でのみ使えます（*.hyp は整理券番号を自分で持っています）"_s};
    checkOperands(request);
    return request;
}

QString HelpText()
{
    return uR"(使い方:
  hy3conv convert --kind hyo|hyp [--ticket-column N] [--move 移動元:移動先]
                  変換元フォルダー 変換先フォルダー [ファイル名...]
  hy3conv list --kind hyo|hyp フォルダー
  hy3conv --help
  hy3conv --version

運賃表示器アプリの旧バージョンのデータ（*.hyo / *.hyp）を Ver3 用のデータ（*.hy3）へ
まとめて変換します。旧データは読むだけで、変更しません。

convert  変換元フォルダーの各ファイルを変換し、変換先フォルダーへ
         「名前.hy3」として書き込みます（同じ名前のファイルは上書きされます）。
         ファイル名はフォルダーを含めない名前で、指定した順に変換します。
         省略すると、list が示すファイルをすべて一覧の順に変換します。
         失敗したファイルは理由を表示して、残りのファイルの変換を続けます。
list     フォルダーのデータファイルを一覧します。1行に1ファイルで、
         ファイル名、先頭行の名前、データ行数をタブで区切って表示します。

オプション:
  --kind hyo|hyp          旧データの種類（hyo: 標準、hyp: ふなぞ自家用データ形式）
  --ticket-column N       旧データの N 列目（1～72）を「整理券番号列」へ移動します
                          （--kind hyo のみ）
  --move 移動元:移動先    旧データの列（1～72）を新データの列（1～150）へ移動します

終了コード:
  0  すべて成功しました
  1  変換または読み込みに失敗したファイルがあります
  2  コマンドラインの指定に誤りがあります
  3  データファイルが見つかりませんでした
)"_s;
}

} // namespace hy3::cli
