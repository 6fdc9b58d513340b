// SPDX-License-Identifier: MIT
// hy3conv run as scripts run it: one table per subcommand. In the command
// lines SRC, OTHER, BROKEN, EMPTY, DST, OUT and LIST stand for folders and
// files of a fresh workspace.

#include "text/cp932.h"
#include "runreport.h"
#include "testdata.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace hy3;

namespace {

// "out/a.hy3=src/a.hyo": an output and the source it must be the conversion of.
using Written = QStringList;

const ColumnOptions kNoOptions;
const ColumnOptions kTicketAndMove{true, 2, true, 3, 100};

QByteArray hyo(const QByteArray &first, int count)
{
    QList<HyoRecord> records;
    for (int i = 0; i < count; ++i)
        records.append(testdata::hyoRecord(i == 0 ? first : "R" + QByteArray::number(i), i));
    return testdata::encode(records);
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void commandLine_data();
    void commandLine();
    void convert_data();
    void convert();
    void list_data();
    void list();
    void show_data();
    void show();
    void json_data();
    void json();
    void keepingEarlierOutputs_data();
    void keepingEarlierOutputs();
    void anOutputAlreadyRightIsLeftAlone();
    void aRunLeavesAReport();
    void reportCells_data();
    void reportCells();
    void driveRelativeOutputFolder();
    void standardOutputThatCantBeWritten_data();
    void standardOutputThatCantBeWritten();

private:
    QStringList expand(const QStringList &arguments) const;
    QString path(const QString &relative) const { return m_dir->filePath(relative); }

    std::unique_ptr<testdata::Workspace> m_dir;
};

void TestCli::init()
{
    m_dir = std::make_unique<testdata::Workspace>();
    QVERIFY(m_dir->isValid());
    const QDir root(m_dir->path());
    for (const QString &folder : {u"src/sub"_s, u"other"_s, u"broken"_s, u"empty"_s, u"odd"_s, u"ctl"_s, u"hid"_s, u"esc"_s})
        QVERIFY(root.mkpath(folder));
    const QList<std::pair<QString, QByteArray>> files{
        {u"src/a.hyo"_s, hyo(encodeCp932(u"運賃表"), 3)},
        {u"src/b2.hyo"_s, hyo("B2", 2)},
        {u"src/b10.HYO"_s, hyo("B10", 1)},
        {u"src/p.hyp"_s, testdata::encode(testdata::manyHypRecords(4))},
        {u"src/zero.hyo"_s, testdata::le16(0)},
        {u"src/notes.txt"_s, "not data"},
        {u"src/sub/deep.hyo"_s, hyo("D", 1)},
        {u"other/a.hyo"_s, hyo("OTHER", 5)},
        {u"broken/bad.hyo"_s, testdata::le16(-1)},
        {u"broken/fine.hyo"_s, hyo("F", 2)},
#ifndef Q_OS_WIN // names Windows refuses
        {u"odd/tab\there.hyo"_s, hyo("line\nbreak", 1)},
        {u"esc/names.hyo"_s, testdata::encode({testdata::hyoRecord("line\nbreak"), testdata::hyoRecord("back\\nslash"),
                                               testdata::hyoRecord("tab\there")})},
        {u"hid/.secret.hyo"_s, hyo("S", 1)},
        {u"ctl/esc\x1b[2J\u009b2J.hyo"_s, hyo("\x1b]0;title\x07\x1b[2J", 2)},
#endif
        {u"src/c.hy3"_s, testdata::encodeHy3({mapRecord(testdata::hyoRecord("H1", 1), kNoOptions),
                                             mapRecord(testdata::hyoRecord("H2", 2), kNoOptions)})},
        {u"list.txt"_s, path(u"src/a.hyo"_s).toUtf8() + "\n\n" + path(u"src/p.hyp"_s).toUtf8() + "\r\n"},
    };
    for (const auto &[name, bytes] : files)
        testdata::writeFile(path(name), bytes);
}

QStringList TestCli::expand(const QStringList &arguments) const
{
    QStringList expanded;
    for (QString argument : arguments) {
        for (const auto &[word, folder] : {std::pair{u"SRC"_s, u"src"_s}, {u"OTHER"_s, u"other"_s}, {u"BROKEN"_s, u"broken"_s},
                                           {u"EMPTY"_s, u"empty"_s}, {u"DST"_s, u"dst"_s}, {u"OUT"_s, u"new/out"_s},
                                           {u"LIST"_s, u"list.txt"_s}, {u"ODD"_s, u"odd"_s}, {u"CTL"_s, u"ctl"_s},
                                           {u"MANY"_s, u"many"_s}, {u"HID"_s, u"hid"_s}, {u"ESC"_s, u"esc"_s}})
            argument.replace(word, path(folder));
        expanded.append(argument);
    }
    return expanded;
}

// ---- the command line itself -----------------------------------------------

void TestCli::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // a part of standard output
    QTest::addColumn<QString>("err"); // a part of standard error

    // A mistake is named, in Japanese, on standard error.
    const auto usage = [](const char *name, const QStringList &arguments, const QString &says) {
        QTest::addRow("%s", name) << arguments << 2 << QString() << says;
    };
    usage("no arguments", {}, u"コマンドを指定してください"_s);
    usage("unknown command", {u"copy"_s}, u"不明なコマンドです: copy"_s);
    usage("unknown option", {u"convert"_s, u"--kind"_s, u"hyo"_s, u"--fast"_s, u"a"_s, u"b"_s},
          u"不明なオプションです: --fast"_s);
    usage("unknown short option", {u"list"_s, u"-z"_s, u"a"_s}, u"不明なオプションです: -z"_s);
    usage("option without its value", {u"convert"_s, u"a.hyo"_s, u"-o"_s}, u"-o に値がありません"_s);
    usage("kind missing in the folder form", {u"convert"_s, u"a"_s, u"b"_s}, u"--kind hyo または --kind hyp"_s);
    usage("kind unknown", {u"list"_s, u"--kind"_s, u"hy3"_s, u"a"_s}, u"--kind には hyo か hyp を指定してください（指定値: hy3）"_s);
    usage("ticket column 0", {u"convert"_s, u"--kind=hyo"_s, u"--ticket-column"_s, u"0"_s, u"a"_s, u"b"_s},
          u"--ticket-column は 1～72 の整数で指定してください（指定値: 0）"_s);
    usage("ticket column 73", {u"convert"_s, u"--kind=hyo"_s, u"--ticket-column=73"_s, u"a"_s, u"b"_s},
          u"（指定値: 73）"_s);
    usage("ticket column not a number", {u"convert"_s, u"--kind=hyo"_s, u"--ticket-column=x"_s, u"a"_s, u"b"_s},
          u"（指定値: x）"_s);
    usage("ticket column with hyp", {u"convert"_s, u"--kind=hyp"_s, u"--ticket-column=3"_s, u"a"_s, u"b"_s},
          u"*.hyo のデータにだけ使えます"_s);
    usage("move from 73", {u"convert"_s, u"--kind=hyo"_s, u"--move=73:1"_s, u"a"_s, u"b"_s},
          u"--move の移動元の列 は 1～72"_s);
    usage("move to 151", {u"convert"_s, u"--kind=hyo"_s, u"--move=1:151"_s, u"a"_s, u"b"_s},
          u"--move の移動先の列 は 1～150"_s);
    usage("move without colon", {u"convert"_s, u"--kind=hyo"_s, u"--move=5"_s, u"a"_s, u"b"_s},
          u"移動元:移動先 の形で"_s);
    usage("convert without folders", {u"convert"_s, u"--kind=hyo"_s, u"a"_s},
          u"変換元フォルダーと変換先フォルダーを指定してください"_s);
    usage("an empty destination is not the root", {u"convert"_s, u"--kind"_s, u"hyo"_s, u"s"_s, u""_s, u"a.hyo"_s},
          u"変換元・変換先のフォルダーが空です"_s);
    usage("a value given to a switch", {u"list"_s, u"--json=yes"_s, u"a"_s}, u"--json は値を取りません"_s);
    usage("an option of another command", {u"list"_s, u"--no-overwrite"_s, u"a"_s},
          u"--no-overwrite は convert のオプションです"_s);
    usage("an empty output folder", {u"convert"_s, u"-o"_s, u""_s, u"a.hyo"_s}, u"-o には出力先のフォルダーを指定してください"_s);
    usage("-o without a source", {u"convert"_s, u"-o"_s, u"out"_s}, u"変換するファイルかフォルダーを指定してください"_s);
    usage("move on list", {u"list"_s, u"--kind=hyo"_s, u"--move=1:2"_s, u"a"_s}, u"--move は convert のオプションです"_s);
    usage("columns on convert", {u"convert"_s, u"--columns=1-2"_s, u"-o"_s, u"o"_s, u"a.hyo"_s},
          u"--columns は show のオプションです"_s);
    usage("quiet and verbose", {u"convert"_s, u"-q"_s, u"-v"_s, u"-o"_s, u"o"_s, u"a.hyo"_s}, u"-q と -v は一緒に使えません"_s);
    usage("-0 without a list", {u"convert"_s, u"-0"_s, u"-o"_s, u"o"_s, u"a.hyo"_s}, u"-0 は --files-from と一緒に"_s);
    usage("list without a folder", {u"list"_s}, u"list には一覧するフォルダーを指定してください"_s);
    QTest::addRow("--help anywhere") << QStringList{u"convert"_s, u"-o"_s, u"x"_s, u"--help"_s} << 0 << u"使い方"_s << QString();
    QTest::addRow("-h: the commands") << QStringList{u"-h"_s} << 0 << u"convert"_s << QString();
    QTest::addRow("a command's own options") << QStringList{u"convert"_s, u"--help"_s} << 0 << u"--files-from"_s << QString();
    QTest::addRow("only its own options") << QStringList{u"show"_s, u"-h"_s} << 0 << u"--columns"_s << QString();
    QTest::addRow("a blank folder is a name like any other")
        << QStringList{u"convert"_s, u"--kind"_s, u"hyo"_s, u"  "_s, u"d"_s} << 1 << QString() << QString();
    QTest::addRow("--version anywhere") << QStringList{u"list"_s, u"x"_s, u"--version"_s} << 0
                                        << u"hy3conv "_s + QStringLiteral(HY3_VERSION) << QString();
    QTest::addRow("-V") << QStringList{u"-V"_s} << 0 << u"hy3conv "_s + QStringLiteral(HY3_VERSION) << QString();
    QTest::addRow("--help names -V") << QStringList{u"--help"_s} << 0 << u"-V, --version"_s << QString();
    QTest::addRow("-- ends the options") << QStringList{u"list"_s, u"--"_s, u"--help"_s} << 1 << QString() << QString();
}

void TestCli::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const testdata::Run run = testdata::hy3conv(arguments);
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
    QCOMPARE(run.exitCode, exitCode);
    if (arguments.size() == 2 && arguments.first() == u"show")
        QVERIFY2(!run.out.contains(u"--files-from"_s), qPrintable(run.out));
    if (exitCode == 2) {
        QVERIFY2(run.err.startsWith(u"hy3conv: "_s) && run.err.contains(u"--help"_s), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
    }
    QVERIFY2(run.out.contains(out), qPrintable(run.out));
}

// ---- convert ---------------------------------------------------------------

void TestCli::convert_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("existing"); // outputs there before, holding "EARLIER"
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<ColumnOptions>("options");
    QTest::addColumn<Written>("written"); // every .hy3 file that must hold new bytes afterwards
    QTest::addColumn<QStringList>("out");  // parts of standard output, in this order
    QTest::addColumn<QString>("err");      // a part of standard error

    QTest::addRow("folder form: named files in order, with options")
        << QStringList{u"convert"_s, u"--kind"_s, u"hyo"_s, u"--ticket-column"_s, u"2"_s, u"--move"_s, u"3:100"_s,
                       u"SRC"_s, u"DST"_s, u"b2.hyo"_s, u"missing.hyo"_s, u"a.hyo"_s}
        << QStringList{} << QByteArray() << 1 << kTicketAndMove
        << Written{u"dst/b2.hy3=src/b2.hyo"_s, u"dst/a.hy3=src/a.hyo"_s}
        << QStringList{u"b2.hyo"_s, u"b2.hy3（2 行）"_s, u"a.hyo"_s, u"a.hy3（3 行）"_s} << u"missing.hyo"_s;
    QTest::addRow("folder form: a name with a folder part writes into the destination")
        << QStringList{u"convert"_s, u"--kind=hyo"_s, u"SRC"_s, u"DST"_s, u"sub/deep.hyo"_s} << QStringList{}
        << QByteArray() << 0 << kNoOptions << Written{u"dst/deep.hy3=src/sub/deep.hyo"_s} << QStringList{} << QString();
    QTest::addRow("folder form: the whole folder in natural order")
        << QStringList{u"convert"_s, u"--kind=hyo"_s, u"SRC"_s, u"DST"_s} << QStringList{} << QByteArray() << 0
        << kNoOptions << Written{u"dst/a.hy3=src/a.hyo"_s, u"dst/b2.hy3=src/b2.hyo"_s, u"dst/b10.hy3=src/b10.HYO"_s}
        << QStringList{u"a.hy3"_s, u"b2.hy3"_s, u"b10.hy3"_s, u"データ行がない"_s} << QString();
    QTest::addRow("folder form: private data")
        << QStringList{u"convert"_s, u"--kind=hyp"_s, u"SRC"_s, u"DST"_s} << QStringList{} << QByteArray() << 0
        << kNoOptions << Written{u"dst/p.hy3=src/p.hyp"_s} << QStringList{u"p.hy3（4 行）"_s} << QString();
    QTest::addRow("paths as operands, output folder created")
        << QStringList{u"convert"_s, u"-o"_s, u"OUT"_s, u"SRC/p.hyp"_s, u"SRC/a.hyo"_s} << QStringList{} << QByteArray()
        << 0 << kNoOptions << Written{u"new/out/p.hy3=src/p.hyp"_s, u"new/out/a.hy3=src/a.hyo"_s}
        << QStringList{u"p.hy3"_s, u"a.hy3"_s} << QString();
    QTest::addRow("a folder operand, both kinds")
        << QStringList{u"convert"_s, u"-o"_s, u"OUT"_s, u"SRC"_s} << QStringList{} << QByteArray() << 0 << kNoOptions
        << Written{u"new/out/a.hy3=src/a.hyo"_s, u"new/out/b2.hy3=src/b2.hyo"_s, u"new/out/b10.hy3=src/b10.HYO"_s,
                   u"new/out/p.hy3=src/p.hyp"_s}
        << QStringList{} << QString();
    QTest::addRow("--kind filters")
        << QStringList{u"convert"_s, u"-k"_s, u"hyp"_s, u"-o"_s, u"OUT"_s, u"SRC"_s, u"SRC/a.hyo"_s} << QStringList{}
        << QByteArray() << 0 << kNoOptions << Written{u"new/out/p.hy3=src/p.hyp"_s} << QStringList{} << QString();
    QTest::addRow("recursive mirrors the sub-folders")
        << QStringList{u"convert"_s, u"-r"_s, u"-k"_s, u"hyo"_s, u"-o"_s, u"OUT"_s, u"SRC"_s} << QStringList{}
        << QByteArray() << 0 << kNoOptions
        << Written{u"new/out/a.hy3=src/a.hyo"_s, u"new/out/b2.hy3=src/b2.hyo"_s, u"new/out/b10.hy3=src/b10.HYO"_s,
                   u"new/out/sub/deep.hy3=src/sub/deep.hyo"_s}
        << QStringList{} << QString();
    QTest::addRow("dry run writes nothing and marks replacements")
        << QStringList{u"convert"_s, u"-n"_s, u"-o"_s, u"DST"_s, u"SRC/a.hyo"_s, u"SRC/b2.hyo"_s, u"BROKEN/bad.hyo"_s}
        << QStringList{u"dst/b2.hy3"_s} << QByteArray() << 1 << kNoOptions << Written{}
        << QStringList{u"変換します: "_s, u"a.hy3"_s, u"変換します（上書き）: "_s, u"b2.hy3"_s} << u"負の値"_s;
    QTest::addRow("--no-overwrite keeps an existing output")
        << QStringList{u"convert"_s, u"--no-overwrite"_s, u"-o"_s, u"DST"_s, u"SRC/a.hyo"_s, u"SRC/b2.hyo"_s}
        << QStringList{u"dst/a.hy3"_s} << QByteArray() << 0 << kNoOptions << Written{u"dst/b2.hy3=src/b2.hyo"_s}
        << QStringList{u"既にあるため変換しませんでした"_s, u"b2.hy3"_s} << QString();
    QTest::addRow("two sources for one output: the first is kept")
        << QStringList{u"convert"_s, u"-o"_s, u"DST"_s, u"SRC/a.hyo"_s, u"OTHER/a.hyo"_s} << QStringList{}
        << QByteArray() << 1 << kNoOptions << Written{u"dst/a.hy3=src/a.hyo"_s} << QStringList{} << u"作成済み"_s;
    QTest::addRow("files from a list")
        << QStringList{u"convert"_s, u"--files-from"_s, u"LIST"_s, u"-o"_s, u"DST"_s} << QStringList{} << QByteArray()
        << 0 << kNoOptions << Written{u"dst/a.hy3=src/a.hyo"_s, u"dst/p.hy3=src/p.hyp"_s} << QStringList{} << QString();
    QTest::addRow("files from standard input, NUL-separated")
        << QStringList{u"convert"_s, u"--files-from"_s, u"-"_s, u"-0"_s, u"-o"_s, u"DST"_s} << QStringList{}
        << QByteArray("SRC/b2.hyo\0SRC/b10.HYO\0", 24) << 0 << kNoOptions
        << Written{u"dst/b2.hy3=src/b2.hyo"_s, u"dst/b10.hy3=src/b10.HYO"_s} << QStringList{} << QString();
    QTest::addRow("quiet: nothing but errors")
        << QStringList{u"convert"_s, u"-q"_s, u"-o"_s, u"DST"_s, u"BROKEN"_s} << QStringList{} << QByteArray() << 1
        << kNoOptions << Written{u"dst/fine.hy3=broken/fine.hyo"_s} << QStringList{} << u"bad.hyo"_s;
    QTest::addRow("verbose: record counts")
        << QStringList{u"convert"_s, u"-v"_s, u"-o"_s, u"DST"_s, u"SRC/a.hyo"_s} << QStringList{} << QByteArray() << 0
        << kNoOptions << Written{u"dst/a.hy3=src/a.hyo"_s} << QStringList{u"a.hy3（3 行）"_s} << QString();
    QTest::addRow("not a data file")
        << QStringList{u"convert"_s, u"-o"_s, u"DST"_s, u"SRC/notes.txt"_s, u"SRC/a.hyo"_s} << QStringList{}
        << QByteArray() << 1 << kNoOptions << Written{u"dst/a.hy3=src/a.hyo"_s} << QStringList{} << u"notes.txt"_s;
    QTest::addRow("an output folder taken as it stands, spaces and all")
        << QStringList{u"convert"_s, u"-o"_s, u"DST "_s, u"SRC/a.hyo"_s} << QStringList{u"dst/a.hy3"_s} << QByteArray()
        << 0 << kNoOptions << Written{u"dst /a.hy3=src/a.hyo"_s} << QStringList{} << QString();
    QTest::addRow("a list that is not there") << QStringList{u"convert"_s, u"--files-from"_s, u"LIST.gone"_s, u"-o"_s,
                                                             u"DST"_s}
                                              << QStringList{} << QByteArray() << 1 << kNoOptions << Written{}
                                              << QStringList{} << u"を読み込めません（見つかりません）"_s;
    QTest::addRow("a folder given as the list")
        << QStringList{u"convert"_s, u"--files-from"_s, u"SRC"_s, u"-o"_s, u"DST"_s} << QStringList{} << QByteArray()
        << 1 << kNoOptions << Written{} << QStringList{} << u"通常のファイルではありません"_s;
    QTest::addRow("a NUL inside a list of lines")
        << QStringList{u"convert"_s, u"--files-from"_s, u"-"_s, u"-o"_s, u"DST"_s} << QStringList{}
        << QByteArray("SRC/a.hyo\nSRC/\0junk/b2.hyo\n", 26) << 1 << kNoOptions << Written{} << QStringList{}
        << u"2 行目に NUL"_s;
    QTest::addRow("control characters in names escaped")
        << QStringList{u"convert"_s, u"-v"_s, u"-o"_s, u"DST"_s, u"CTL"_s} << QStringList{} << QByteArray() << 0
        << kNoOptions << Written{u"dst/esc\x1b[2J\u009b2J.hy3=ctl/esc\x1b[2J\u009b2J.hyo"_s}
        << QStringList{u"esc\\x1b[2J\\u009b2J.hyo"_s, u"esc\\x1b[2J\\u009b2J.hy3（2 行）"_s} << QString();
    QTest::addRow("a NUL-separated list keeps a carriage return in a name")
        << QStringList{u"convert"_s, u"--files-from"_s, u"-"_s, u"-0"_s, u"-o"_s, u"DST"_s} << QStringList{}
        << QByteArray("SRC/a.hyo\r\0", 11) << 1 << kNoOptions << Written{} << QStringList{} << u"a.hyo\\r」"_s;
    QTest::addRow("a missing destination folder, said once")
        << QStringList{u"convert"_s, u"--kind"_s, u"hyo"_s, u"SRC"_s, u"DST/none"_s} << QStringList{} << QByteArray()
        << 1 << kNoOptions << Written{} << QStringList{} << u"変換先のフォルダー「"_s;
    QTest::addRow("hidden files are counted, not converted")
        << QStringList{u"convert"_s, u"-o"_s, u"DST"_s, u"HID"_s} << QStringList{} << QByteArray() << 3 << kNoOptions
        << Written{} << QStringList{} << u"隠しファイル 1 件は対象外です"_s;
    QTest::addRow("nothing found") << QStringList{u"convert"_s, u"-o"_s, u"DST"_s, u"EMPTY"_s} << QStringList{}
                                   << QByteArray() << 3 << kNoOptions << Written{} << QStringList{}
                                   << u"発見されませんでした"_s;
}

void TestCli::convert()
{
    QFETCH(QStringList, arguments);
#ifdef Q_OS_WIN
    if (arguments.contains(u"ODD"_s) || arguments.contains(u"CTL"_s))
        QSKIP("names with control characters can't be made on Windows");
    if (arguments.contains(u"DST "_s))
        QSKIP("Windows itself drops the spaces that end a folder's name");
    if (arguments.contains(u"HID"_s))
        QSKIP("a leading dot hides nothing on Windows");
#endif
    QFETCH(QStringList, existing);
    QFETCH(QByteArray, input);
    QFETCH(ColumnOptions, options);
    QFETCH(Written, written);
    QFETCH(QStringList, out);
    QFETCH(QString, err);
    for (const QString &output : existing)
        testdata::writeFile(path(output), "EARLIER");
    const QByteArray before = testdata::readFile(path(u"src/a.hyo"_s));

    const testdata::Run run = testdata::hy3conv(expand(arguments), {}, expand({QString::fromUtf8(input)}).first().toUtf8());

    QTEST(run.exitCode, "exitCode");
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
    QVERIFY2(!run.out.contains(QChar(0x1b)) && !run.err.contains(QChar(0x1b)), "a name drives the terminal");
    qsizetype at = 0;
    for (const QString &part : out) {
        at = run.out.indexOf(part, at);
        QVERIFY2(at >= 0, qPrintable(u"「%1」 in order in:\n%2"_s.arg(part, run.out)));
    }
    QStringList expectedOutputs = existing + QStringList{u"src/c.hy3"_s}; // the one of init()
    for (const QString &pair : written) {
        const QStringList parts = pair.split(u'=');
        const DataKind kind = parts[1].endsWith(u".hyp"_s) ? DataKind::Private : DataKind::Standard;
        qint16 count = 0;
        const QByteArray expected = convertBytes(kind, testdata::readFile(path(parts[1])), options, count);
        QVERIFY2(testdata::readFile(path(parts[0])) == expected, qPrintable(parts[0]));
        expectedOutputs.append(parts[0]);
    }
    QStringList outputs;
    for (QDirIterator it(m_dir->path(), {u"*.hy3"_s}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        outputs.append(QDir(m_dir->path()).relativeFilePath(it.next()));
    outputs.sort();
    expectedOutputs.removeDuplicates();
    expectedOutputs.sort();
    QCOMPARE(outputs, expectedOutputs);
    for (const QString &output : existing) {
        if (!written.join(u' ').contains(output + u'='))
            QCOMPARE(testdata::readFile(path(output)), QByteArray("EARLIER"));
    }
    QCOMPARE(testdata::readFile(path(u"src/a.hyo"_s)), before);
}

// ---- list ------------------------------------------------------------------

void TestCli::list_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // all of standard output
    QTest::addColumn<QString>("err");

    QTest::addRow("one kind, natural order") << QStringList{u"list"_s, u"--kind"_s, u"hyo"_s, u"SRC"_s} << 0
                                              << u"a.hyo\t運賃表\t3\nb2.hyo\tB2\t2\nb10.HYO\tB10\t1\n"_s << QString();
    QTest::addRow("both kinds, recursive") << QStringList{u"list"_s, u"-r"_s, u"SRC"_s} << 0
                                           << u"a.hyo\t運賃表\t3\nb2.hyo\tB2\t2\nb10.HYO\tB10\t1\np.hyp\tP1\t4\n"
                                              u"sub/deep.hyo\tD\t1\n"_s
                                           << QString();
    QTest::addRow("tab and line break escaped") << QStringList{u"list"_s, u"ODD"_s} << 0
                                                << u"tab\\there.hyo\tline\\nbreak\t1\n"_s << QString();
    QTest::addRow("control characters escaped") << QStringList{u"list"_s, u"CTL"_s} << 0
                                                << u"esc\\x1b[2J\\u009b2J.hyo\t\\x1b]0;title\\x07\\x1b[2J\t2\n"_s << QString();
    QTest::addRow("a file in error, the rest listed") << QStringList{u"list"_s, u"BROKEN"_s} << 1
                                                      << u"fine.hyo\tF\t2\n"_s << u"hy3conv: 「"_s;
    // More files and folders than one reading of headers takes at a time;
    // numbers of one width, so that any collation puts them in this order.
    QString many;
    for (int i = 1; i <= 1100; ++i)
        many += u"n%1.hyo\tN\t1\n"_s.arg(i, 4, 10, QChar(u'0'));
    for (int i = 1; i <= 20; ++i)
        many += u"d%1/x.hyo\tX\t1\n"_s.arg(i, 2, 10, QChar(u'0'));
    QTest::addRow("many files, natural order kept") << QStringList{u"list"_s, u"-r"_s, u"MANY"_s} << 1
                                                    << many << u"hy3conv: 「"_s;
    // A folder's headers are read as it is listed: each listing gets its own.
    const QString once = many.section(u"d01/"_s, 0, 0);
    QTest::addRow("one folder named twice") << QStringList{u"list"_s, u"MANY"_s, u"MANY"_s} << 1 << once + once
                                            << u"hy3conv: 「"_s;
    QTest::addRow("nothing found") << QStringList{u"list"_s, u"--kind=hyp"_s, u"EMPTY"_s} << 3 << QString()
                                   << u"hy3conv: 指定したフォルダ(ドライブ)からは、データファイルは発見されませんでした。\n"_s;
}

void TestCli::list()
{
    QFETCH(QStringList, arguments);
#ifdef Q_OS_WIN
    if (arguments.contains(u"ODD"_s) || arguments.contains(u"CTL"_s))
        QSKIP("names with control characters can't be made on Windows");
#endif
    if (arguments.contains(u"MANY"_s)) {
        for (int i = 1; i <= 20; ++i)
            QVERIFY(QDir().mkpath(path(u"many/d%1"_s.arg(i, 2, 10, QChar(u'0')))));
        for (int i = 1; i <= 1100; ++i)
            testdata::writeFile(path(u"many/n%1.hyo"_s.arg(i, 4, 10, QChar(u'0'))), hyo("N", 1));
        testdata::writeFile(path(u"many/n0700bad.hyo"_s), testdata::le16(-1));
        for (int i = 1; i <= 20; ++i)
            testdata::writeFile(path(u"many/d%1/x.hyo"_s.arg(i, 2, 10, QChar(u'0'))), hyo("X", 1));
    }
    const testdata::Run run = testdata::hy3conv(expand(arguments));
    QTEST(run.exitCode, "exitCode");
    QFETCH(QString, out);
    QCOMPARE(run.out, QDir::toNativeSeparators(out)); // paths as the system writes them
    QFETCH(QString, err);
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
    if (!err.isEmpty() && run.exitCode == 1)
        QVERIFY2(run.err.contains(u"bad.hyo"_s) && run.err.contains(u"負の値"_s), qPrintable(run.err));
}

// ---- show and --json -------------------------------------------------------

void TestCli::show_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("lines"); // the first lines of standard output

    QTest::addRow("a .hyp file, two columns")
        << QStringList{u"show"_s, u"--columns"_s, u"2-3"_s, u"SRC/p.hyp"_s} << 0
        << QStringList{u"番号\t名前\t整理券番号\t列2\t列3"_s, u"1\tP1\t1\t3\t4"_s};
    QTest::addRow("a .hyo file, one column") << QStringList{u"show"_s, u"--columns=72"_s, u"SRC/a.hyo"_s} << 0
                                             << QStringList{u"番号\t名前\t列72"_s, u"1\t運賃表\t72"_s, u"2\tR1\t73"_s};
    QTest::addRow("a .hy3 file, its header and every record")
        << QStringList{u"show"_s, u"--columns"_s, u"1"_s, u"SRC/c.hy3"_s} << 0
        << QStringList{u"番号\t名前\t整理券番号\t列1"_s, u"1\tH1\t0\t2"_s, u"2\tH2\t0\t3"_s, QString()};
    QTest::addRow("columns the file does not have") << QStringList{u"show"_s, u"--columns=73-80"_s, u"SRC/a.hyo"_s} << 1
                                                     << QStringList{QString()};
    QTest::addRow("not a data file") << QStringList{u"show"_s, u"SRC/notes.txt"_s} << 1 << QStringList{};
#ifndef Q_OS_WIN // a backslash is the path separator there, and stays single
    QTest::addRow("tabs, newlines and backslashes in names, each its own")
        << QStringList{u"show"_s, u"--columns=1"_s, u"ESC/names.hyo"_s} << 0
        << QStringList{u"番号\t名前\t列1"_s, u"1\tline\\nbreak\t1"_s, u"2\tback\\\\nslash\t1"_s,
                       u"3\ttab\\there\t1"_s};
#endif
    QTest::addRow("a bad range") << QStringList{u"show"_s, u"--columns=5-2"_s, u"SRC/a.hyo"_s} << 2 << QStringList{};
}

void TestCli::show()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, lines);
    const testdata::Run run = testdata::hy3conv(expand(arguments));
    QTEST(run.exitCode, "exitCode");
    QCOMPARE(run.out.split(u'\n').mid(0, lines.size()), lines);
    if (run.exitCode != 0)
        QVERIFY2(run.err.startsWith(u"hy3conv: "_s), qPrintable(run.err));
}

void TestCli::json_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("results"); // per file, in order
    QTest::addColumn<int>("records");         // of the first file
    QTest::addColumn<QString>("firstName");   // of the first file
    QTest::addColumn<QString>("counts");      // convert: converted/noRecords/skipped/failed

    QTest::addRow("convert, with failures")
        << QStringList{u"convert"_s, u"--json"_s, u"-o"_s, u"DST"_s, u"SRC/a.hyo"_s, u"BROKEN/bad.hyo"_s, u"SRC/zero.hyo"_s}
        << 1 << QStringList{u"converted"_s, u"failed"_s, u"no-records"_s} << 3 << u"運賃表"_s << u"1/1/0/1"_s;
    QTest::addRow("convert, dry run") << QStringList{u"convert"_s, u"--json"_s, u"-n"_s, u"-o"_s, u"DST"_s, u"SRC/p.hyp"_s}
                                      << 0 << QStringList{u"would-convert"_s} << 4 << u"P1"_s << u"1/0/0/0"_s;
    QTest::addRow("convert, kept") << QStringList{u"convert"_s, u"--json"_s, u"--no-overwrite"_s, u"-o"_s, u"DST"_s,
                                                  u"SRC/b2.hyo"_s, u"SRC/a.hyo"_s}
                                   << 0 << QStringList{u"skipped"_s, u"converted"_s} << 2 << QString() << u"1/0/1/0"_s;
    QTest::addRow("list") << QStringList{u"list"_s, u"--json"_s, u"BROKEN"_s} << 1
                          << QStringList{u"failed"_s, u"listed"_s} << -1 << QString() << QString();
    QTest::addRow("show") << QStringList{u"show"_s, u"--json"_s, u"SRC/b2.hyo"_s} << 0 << QStringList{QString()} << 2
                          << QString() << QString();
}

// One document on standard output, whole and valid, also when files fail.
void TestCli::json()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, results);
    QFETCH(int, records);
    QFETCH(QString, firstName);
    QVERIFY(QDir().mkpath(path(u"dst"_s)));
    testdata::writeFile(path(u"dst/b2.hy3"_s), "EARLIER"); // kept under --no-overwrite
    const testdata::Run run = testdata::hy3conv(expand(arguments));
    QTEST(run.exitCode, "exitCode");
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(run.out.toUtf8(), &error);
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString() + u'\n' + run.out));
    const QJsonArray files = document.object().value(u"files"_s).toArray();
    QStringList seen;
    for (const QJsonValue &file : files)
        seen.append(file.toObject().value(u"result"_s).toString());
    QCOMPARE(seen, results);
    const QJsonObject first = files.first().toObject();
    if (records >= 0)
        QCOMPARE(first.value(u"records"_s).toInt(), records);
    if (!firstName.isEmpty())
        QCOMPARE(first.value(u"firstName"_s).toString(), firstName);
    for (const QJsonValue &file : files) {
        if (file.toObject().value(u"result"_s) == u"failed"_s)
            QVERIFY(!file.toObject().value(u"error"_s).toObject().value(u"code"_s).toString().isEmpty());
    }
    QFETCH(QString, counts);
    if (!counts.isEmpty()) {
        const QJsonObject root = document.object();
        QCOMPARE(u"%1/%2/%3/%4"_s.arg(root.value(u"converted"_s).toInt())
                     .arg(root.value(u"noRecords"_s).toInt())
                     .arg(root.value(u"skipped"_s).toInt())
                     .arg(root.value(u"failed"_s).toInt()),
                 counts);
    }
}

QTEST_GUILESS_MAIN(TestCli)
// ---- earlier outputs and reports ---------------------------------------------

using Contents = QMap<QString, QByteArray>; // file name -> bytes; "NEW": the conversion's

void TestCli::keepingEarlierOutputs_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<Contents>("before"); // in DST besides a.hy3, which holds "EDITED"
    QTest::addColumn<Contents>("after");  // all of DST afterwards
    QTest::addColumn<int>("exitCode");

    const Contents numbered{{u"a.hy3.~1~"_s, "ONE"}, {u"a.hy3.~2~"_s, "TWO"}};
    const auto with = [](Contents contents, const QString &name, const QByteArray &bytes) {
        contents.insert(name, bytes);
        return contents;
    };
    const Contents replaced{{u"a.hy3"_s, "NEW"}};
    QTest::addRow("no copy unless asked, as cp") << QStringList{} << QStringList{} << Contents{} << replaced << 0;
    QTest::addRow("-b: beside it, with ~") << QStringList{u"-b"_s} << QStringList{} << Contents{}
                                          << with(replaced, u"a.hy3~"_s, "EDITED") << 0;
    QTest::addRow("a simple copy replaces an older one")
        << QStringList{u"--backup=simple"_s} << QStringList{} << Contents{{u"a.hy3~"_s, "OLDER"}}
        << with(replaced, u"a.hy3~"_s, "EDITED") << 0;
    QTest::addRow("--suffix") << QStringList{u"--backup=never"_s, u"--suffix=.orig"_s} << QStringList{} << Contents{}
                              << with(replaced, u"a.hy3.orig"_s, "EDITED") << 0;
    QTest::addRow("SIMPLE_BACKUP_SUFFIX") << QStringList{u"-b"_s} << QStringList{u"SIMPLE_BACKUP_SUFFIX=.bak"_s}
                                          << Contents{} << with(replaced, u"a.hy3.bak"_s, "EDITED") << 0;
    QTest::addRow("--suffix over SIMPLE_BACKUP_SUFFIX")
        << QStringList{u"-b"_s, u"-S"_s, u"_old"_s} << QStringList{u"SIMPLE_BACKUP_SUFFIX=.bak"_s} << Contents{}
        << with(replaced, u"a.hy3_old"_s, "EDITED") << 0;
    QTest::addRow("numbered after ~1~ and ~2~") << QStringList{u"--backup=numbered"_s} << QStringList{} << numbered
                                                << with(with(numbered, u"a.hy3.~3~"_s, "EDITED"), u"a.hy3"_s, "NEW")
                                                << 0;
    QTest::addRow("existing: numbered where numbered ones are")
        << QStringList{u"--backup=existing"_s} << QStringList{} << numbered
        << with(with(numbered, u"a.hy3.~3~"_s, "EDITED"), u"a.hy3"_s, "NEW") << 0;
    QTest::addRow("VERSION_CONTROL for -b") << QStringList{u"-b"_s} << QStringList{u"VERSION_CONTROL=t"_s}
                                            << Contents{} << with(replaced, u"a.hy3.~1~"_s, "EDITED") << 0;
    QTest::addRow("--backup's method over VERSION_CONTROL")
        << QStringList{u"--backup=nil"_s} << QStringList{u"VERSION_CONTROL=numbered"_s} << Contents{}
        << with(replaced, u"a.hy3~"_s, "EDITED") << 0;
    QTest::addRow("a prefix of one method") << QStringList{u"--backup=nu"_s} << QStringList{} << Contents{}
                                            << with(replaced, u"a.hy3.~1~"_s, "EDITED") << 0;
    QTest::addRow("none even with --backup") << QStringList{u"--backup=off"_s} << QStringList{} << Contents{}
                                             << replaced << 0;
    QTest::addRow("a prefix of several") << QStringList{u"--backup=n"_s} << QStringList{} << Contents{}
                                         << Contents{{u"a.hy3"_s, "EDITED"}} << 2;
    QTest::addRow("a method GNU has not") << QStringList{u"-b"_s} << QStringList{u"VERSION_CONTROL=always"_s}
                                          << Contents{} << Contents{{u"a.hy3"_s, "EDITED"}} << 2;
}

// An earlier output is copied, byte for byte, under the name GNU cp would
// give the copy, and only then replaced.
void TestCli::keepingEarlierOutputs()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, environment);
    QFETCH(Contents, before);
    QFETCH(Contents, after);
    QVERIFY(QDir().mkpath(path(u"dst"_s)));
    testdata::writeFile(path(u"dst/a.hy3"_s), "EDITED");
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        testdata::writeFile(path(u"dst/"_s + it.key()), it.value());
    const testdata::Run run = testdata::hy3conv(
        QStringList{u"convert"_s} + options + QStringList{u"-o"_s, path(u"dst"_s), path(u"src/a.hyo"_s)}, {}, {},
        environment << u"VERSION_CONTROL="_s.repeated(environment.filter(u"VERSION_CONTROL"_s).isEmpty() ? 1 : 0));
    QTEST(run.exitCode, "exitCode");
    qint16 count = 0;
    const QByteArray converted = convertBytes(DataKind::Standard, testdata::readFile(path(u"src/a.hyo"_s)), {}, count);
    Contents found;
    for (const QString &name : QDir(path(u"dst"_s)).entryList(QDir::Files | QDir::Hidden)) {
        const QByteArray bytes = testdata::readFile(path(u"dst/"_s + name));
        found.insert(name, bytes == converted ? QByteArray("NEW") : bytes);
    }
    QCOMPARE(found, after);
}

// A re-run over outputs that are already right writes nothing: the same
// file, the same time, no copy, and its own outcome.
void TestCli::anOutputAlreadyRightIsLeftAlone()
{
    const QStringList convert{u"convert"_s, u"-b"_s, u"--json"_s, u"-o"_s, path(u"dst"_s), path(u"src/a.hyo"_s)};
    QCOMPARE(testdata::hy3conv(convert).exitCode, 0);
    const QString output = path(u"dst/a.hy3"_s);
    const QDateTime long_ago(QDate(2020, 1, 1), QTime(12, 0));
    {
        QFile file(output);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(long_ago, QFileDevice::FileModificationTime));
    }
    const QByteArray id = QFileInfo(output).fileTime(QFileDevice::FileBirthTime).toString().toUtf8();
    const testdata::Run again = testdata::hy3conv(convert);
    QCOMPARE(again.exitCode, 0);
    const QJsonObject document = QJsonDocument::fromJson(again.out.toUtf8()).object();
    QCOMPARE(document.value(u"files"_s).toArray().first().toObject().value(u"result"_s).toString(), u"unchanged"_s);
    QCOMPARE(document.value(u"unchanged"_s).toInt(), 1);
    QCOMPARE(QFileInfo(output).lastModified(), long_ago);
    QCOMPARE(QFileInfo(output).fileTime(QFileDevice::FileBirthTime).toString().toUtf8(), id);
    QCOMPARE(QDir(path(u"dst"_s)).entryList(QDir::Files | QDir::Hidden), QStringList{u"a.hy3"_s});
    const testdata::Run dry = testdata::hy3conv({u"convert"_s, u"-n"_s, u"-o"_s, path(u"dst"_s), path(u"src/a.hyo"_s)});
    QVERIFY2(dry.out.contains(u"同じ内容のため"_s), qPrintable(dry.out));
}

// Splits a CSV file as Excel reads it: fields, quoted ones with "" for a quote.
static QList<QStringList> csvRows(const QString &text)
{
    QList<QStringList> rows{{}};
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"')
                field += text[++i];
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            rows.last().append(field);
            field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            rows.last().append(field);
            field.clear();
            rows.append(QStringList());
            ++i;
        } else {
            field += c;
        }
    }
    if (rows.last().isEmpty())
        rows.removeLast();
    return rows;
}

// --report: a file Excel opens as it is, one row for every file the run looked at.
void TestCli::aRunLeavesAReport()
{
    QVERIFY(QDir().mkpath(path(u"com"_s)));
    testdata::writeFile(path(u"com/comma,name.hyo"_s), hyo("C", 2));
    const QString report = path(u"records/run.csv"_s);
    QVERIFY(QDir().mkpath(path(u"records"_s)));
    const testdata::Run run = testdata::hy3conv(
        {u"convert"_s, u"--report"_s, report, u"-o"_s, path(u"dst"_s), path(u"src/a.hyo"_s), path(u"other/a.hyo"_s),
         path(u"broken/bad.hyo"_s), path(u"com/comma,name.hyo"_s), path(u"src/zero.hyo"_s), path(u"empty/gone.hyo"_s)});
    QCOMPARE(run.exitCode, 1);
    const QByteArray bytes = testdata::readFile(report);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(bytes.count("\r\n"), bytes.count('\n'));
    const QList<QStringList> rows = csvRows(QString::fromUtf8(bytes.mid(3)));
    QCOMPARE(rows.size(), 7);
    QCOMPARE(rows[0], (QStringList{u"変換元"_s, u"変換先"_s, u"結果"_s, u"理由"_s, u"データ行数"_s, u"前の内容の保存先"_s}));
    QStringList results;
    for (const QStringList &row : rows.mid(1)) {
        QCOMPARE(row.size(), 6);
        results.append(row[2]);
    }
    QCOMPARE(results, (QStringList{u"変換しました"_s, u"変換できませんでした"_s, u"変換できませんでした"_s, u"変換しました"_s,
                                   u"変換していません (データ行なし)"_s, u"変換できませんでした"_s}));
    QCOMPARE(rows[4][0], QDir::toNativeSeparators(path(u"com/comma,name.hyo"_s)));
    QCOMPARE(rows[4][4], u"2"_s);
    QVERIFY2(rows[2][3].contains(u"作成済み"_s), qPrintable(rows[2][3]));
    QCOMPARE(static_cast<qsizetype>(results.count(u"変換しました"_s)),
             QDir(path(u"dst"_s)).entryList({u"*.hy3"_s}, QDir::Files).size());
    QCOMPARE(QDir(path(u"records"_s)).entryList(QDir::Files | QDir::Hidden), QStringList{u"run.csv"_s});

    const testdata::Run json = testdata::hy3conv({u"convert"_s, u"--report"_s, path(u"records/run.json"_s), u"-o"_s,
                                                  path(u"dst"_s), path(u"src/a.hyo"_s)});
    QCOMPARE(json.exitCode, 0);
    const QJsonObject document = QJsonDocument::fromJson(testdata::readFile(path(u"records/run.json"_s))).object();
    QCOMPARE(document.value(u"unchanged"_s).toInt(), 1);
}

void TestCli::reportCells_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cell");
    QTest::addRow("plain") << u"路線1.hyo"_s << u"路線1.hyo"_s;
    QTest::addRow("a comma") << u"a,b"_s << u"\"a,b\""_s;
    QTest::addRow("a quote") << u"a\"b"_s << u"\"a\"\"b\""_s;
    QTest::addRow("a line break") << u"a\nb"_s << u"\"a\nb\""_s;
    QTest::addRow("a formula") << u"=HYPERLINK(\"x\")"_s << u"\"'=HYPERLINK(\"\"x\"\")\""_s;
    QTest::addRow("plus") << u"+1"_s << u"'+1"_s;
    QTest::addRow("minus") << u"-1"_s << u"'-1"_s;
    QTest::addRow("at") << u"@SUM(A1)"_s << u"'@SUM(A1)"_s;
}

void TestCli::reportCells()
{
    QFETCH(QString, text);
    QTEST(CsvReport::cell(text), "cell");
}

// "Z:drel" is the folder drel in drive Z's current folder, as Windows has it,
// never a folder named "Z:drel" in the current folder.
void TestCli::driveRelativeOutputFolder()
{
#ifndef Q_OS_WIN
    QSKIP("drive-relative paths are Windows'");
#else
    const QString drive = QDir::toNativeSeparators(m_dir->path()).left(2);
    QVERIFY(drive.endsWith(u':'));
    QProcess run;
    run.setWorkingDirectory(m_dir->path());
    run.start(QStringLiteral(HY3CONV_PATH), {u"convert"_s, u"-o"_s, drive + u"drel"_s, path(u"src/a.hyo"_s)});
    QVERIFY(run.waitForFinished(60000));
    QCOMPARE(run.exitCode(), 0);
    QVERIFY(QFileInfo::exists(path(u"drel/a.hy3"_s)));
    QCOMPARE(QDir(m_dir->path()).entryList({u"*drel*"_s}, QDir::Dirs | QDir::NoDotAndDotDot), QStringList{u"drel"_s});
#endif
}

// A full disk under a redirected standard output is a failure, said on standard error.
void TestCli::standardOutputThatCantBeWritten_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addRow("list") << QStringList{u"list"_s, u"SRC"_s};
    QTest::addRow("list --json") << QStringList{u"list"_s, u"--json"_s, u"SRC"_s};
    QTest::addRow("show --json") << QStringList{u"show"_s, u"--json"_s, u"SRC/a.hyo"_s};
    QTest::addRow("convert --json") << QStringList{u"convert"_s, u"--json"_s, u"-o"_s, u"DST"_s, u"SRC"_s};
}

void TestCli::standardOutputThatCantBeWritten()
{
    if (!QFile::exists(u"/dev/full"_s))
        QSKIP("no /dev/full here");
    QFETCH(QStringList, arguments);
    QProcess process;
    process.setStandardOutputFile(u"/dev/full"_s);
    process.start(QStringLiteral(HY3CONV_PATH), expand(arguments));
    QVERIFY(process.waitForFinished(120000));
    QCOMPARE(process.exitCode(), 1);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(err.contains(u"標準出力に書き込めません"_s), qPrintable(err));
}

#include "tst_cli.moc"
