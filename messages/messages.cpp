// SPDX-License-Identifier: MIT
#include "messages.h"

#include "listing/listing.h"
#include "files/paths.h"

using namespace Qt::StringLiterals;

namespace hy3 {

namespace {

QString columnName(ColumnRole role)
{
    switch (role) {
    case ColumnRole::Ticket:
        return Messages::tr("整理券番号の列");
    case ColumnRole::MoveFrom:
        return Messages::tr("移動元の列");
    case ColumnRole::MoveTo:
        return Messages::tr("移動先の列");
    }
    return {};
}

bool aboutOutput(Action action)
{
    switch (action) {
    case Action::OpenOutputFolder:
    case Action::MakeOutputFolder:
    case Action::CreateOutput:
    case Action::WriteOutput:
    case Action::MakeDurable:
    case Action::KeepEarlier:
        return true;
    default:
        return false;
    }
}

} // namespace

QString Messages::cause(const Failure &failure)
{
    switch (failure.cause) {
    case Cause::None:
        return {};
    case Cause::NotFound:
        return tr("見つかりません");
    case Cause::NotAFolder:
        return tr("途中にフォルダーでないものがあります");
    case Cause::FolderInTheWay:
        return tr("同じ名前のフォルダーがあります");
    case Cause::NoPermission:
        return tr("アクセス権がありません");
    case Cause::ReadOnlyMedium:
        return tr("読み取り専用のメディアです");
    case Cause::ReadOnlyFile:
        return tr("読み取り専用のファイルです");
    case Cause::NoSpace:
        return tr("容量不足です。空き容量がありません");
    case Cause::TooLarge:
        return tr("ファイルサイズの上限を超えます");
    case Cause::NameTooLong:
        return tr("名前かパスが長すぎます");
    case Cause::InvalidName:
        if (!aboutOutput(failure.action))
            return tr("名前に使えない文字があるため開けません");
        return tr("この名前は保存先のメディアでは使えません");
    case Cause::ReservedName:
        return tr("Windows が装置に使う名前（CON、NUL など）か、末尾が点や空白の名前のため、ファイルには使えません");
    case Cause::IoError:
        return tr("メディアの読み書きでエラーが起きました");
    case Cause::TooManyOpenFiles:
        return tr("開いているファイルが多すぎます");
    case Cause::OutOfMemory:
        return tr("メモリが足りません");
    case Cause::Busy:
        return tr("ほかのプログラムが使用中です");
    case Cause::Exists:
        return tr("同じ名前のファイルがあります");
    case Cause::NotRegularFile:
        return tr("フォルダーやパイプ、デバイスなどで、通常のファイルではありません");
    case Cause::LinkInTheWay:
        return tr("シンボリックリンクです。リンク先には書き込みません");
    case Cause::CrossDevice:
        return tr("別のドライブやファイルシステムへは移せません");
    case Cause::NoLocks:
        return tr("ファイルのロックを使えません（ロックの数が上限に達したか、ロックに対応していない場所です）");
    case Cause::Unsupported:
        return tr("この場所では使えない操作です");
    case Cause::SystemError:
        break;
    case Cause::Truncated:
        return tr("ファイルが途中で終わっています");
    case Cause::NegativeCount:
        return tr("行数が負の値です");
    case Cause::NameTooShort:
        return tr("ファイル名が短すぎます");
    case Cause::ColumnOutOfRange:
        return tr("列の指定が範囲外です");
    case Cause::SameFile:
        return tr("変換元と変換先が同じファイルです");
    case Cause::Clash:
        return tr("同じ変換先に書き込むファイルがほかにあります");
    case Cause::NotDataFile:
        return tr("データファイル（*.hyo / *.hyp / *.hy3）ではありません");
    case Cause::NotOldData:
        return tr("旧データ（*.hyo / *.hyp）ではありません");
    case Cause::Stopped:
        return tr("中止したため変換していません");
    }
    return tr("システムのエラーです（エラー番号 %1）").arg(failure.code);
}

QString Messages::failure(const QString &path, const Failure &failure)
{
    const QString shown = fs::shown(path);
    const QString why = cause(failure);
    switch (failure.cause) {
    case Cause::Truncated:
        if (failure.number == 0)
            return tr("「%1」は短すぎて行数を読み取れません").arg(shown);
        if (failure.action == Action::ReadHeader)
            return tr("「%1」は短すぎて先頭のレコードを読み取れません").arg(shown);
        return tr("「%1」: %2 件目のレコード（全 %3 件）が不完全です（%4）")
            .arg(shown)
            .arg(failure.number)
            .arg(failure.limit)
            .arg(why);
    case Cause::NegativeCount:
        return tr("「%1」の行数が負の値です（%2）").arg(shown).arg(failure.number);
    case Cause::NameTooShort:
        return tr("「%1」: ファイル名が短すぎます（拡張子を含めて4文字以上が必要です）").arg(shown);
    case Cause::ColumnOutOfRange:
        return tr("「%1」: %2 %3 は範囲外です（1～%4 で指定してください）")
            .arg(shown, columnName(failure.column))
            .arg(failure.number)
            .arg(failure.limit);
    case Cause::SameFile:
    case Cause::Stopped:
        return tr("「%1」: %2").arg(shown, why);
    case Cause::NotDataFile:
    case Cause::NotOldData:
        return tr("「%1」は%2").arg(shown, why);
    default:
        break;
    }
    switch (failure.action) {
    case Action::OpenFolder:
        if (failure.cause == Cause::InvalidName && fs::hasLostCharacters(path))
            return tr("フォルダー「%1」を開けません（%2）").arg(shown, tr("名前に読み取れない文字（\uFFFD）があります"));
        return tr("フォルダー「%1」を開けません（%2）").arg(shown, why);
    case Action::OpenSourceFolder:
        return tr("「%1」を開けません（変換元のフォルダー: %2）").arg(shown, why);
    case Action::OpenSource:
        return tr("「%1」を開けません（%2）").arg(shown, why);
    case Action::OpenOutputFolder:
        return tr("「%1」を作成できません（変換先のフォルダー: %2）").arg(shown, why);
    case Action::MakeOutputFolder:
        return tr("出力先のフォルダー「%1」を作成できません（%2）").arg(fs::shown(fs::splitPath(path).folder), why);
    case Action::CreateOutput:
        return tr("「%1」を作成できません（%2）").arg(shown, why);
    case Action::WriteOutput:
        return tr("「%1」に書き込めません（%2）").arg(shown, why);
    case Action::MakeDurable:
        return tr("「%1」は書き込みましたが、ディスクへの保存を確定できません（%2）").arg(shown, why);
    case Action::KeepEarlier:
        return tr("「%1」の前の内容を残せないため、置き換えませんでした（%2）").arg(shown, why);
    case Action::MakeWritable:
        return tr("「%1」を書き込み可能にできません（%2）").arg(shown, why);
    case Action::None:
    case Action::ReadHeader:
    case Action::ReadSource:
    case Action::CheckOptions:
        break;
    }
    return tr("「%1」を読み込めません（%2）").arg(shown, why);
}

QString Messages::failureOf(const Outcome &outcome)
{
    const Failure &f = outcome.failure;
    if (f.cause == Cause::Clash)
        return tr("「%1」: 変換先「%2」は同じ一括変換で「%3」から作成済みのため、変換しませんでした")
            .arg(fs::shown(outcome.source), fs::shown(outcome.destination), fs::shown(outcome.earlier));
    if (f.cause == Cause::OutOfMemory && !aboutOutput(f.action))
        return tr("「%1」: 変換できませんでした（%2）").arg(fs::shown(outcome.source), cause(f));
    const bool output = aboutOutput(f.action) && f.cause != Cause::NameTooShort;
    return failure(output ? outcome.destination : outcome.source, f);
}

QString Messages::listingFailure(const ListingResult &result)
{
    return u"%1:%2"_s.arg(listingErrorNumber(result.failure.cause)).arg(failure(result.failedPath, result.failure));
}

QString Messages::notFound()
{
    return tr("指定したフォルダ(ドライブ)からは、データファイルは発見されませんでした。");
}

QString Messages::hiddenFilesLeftOut(int count)
{
    return tr("隠しファイル %1 件は対象外です").arg(count);
}

QString Messages::flushes(int byFileSystem, int batched, int onTheirOwn)
{
    QStringList ways;
    if (byFileSystem > 0)
        ways.append(tr("ファイルシステムごとにまとめて %1 件").arg(byFileSystem));
    if (batched > 0)
        ways.append(tr("書き出してからボリュームごとにまとめて %1 件").arg(batched));
    if (onTheirOwn > 0)
        ways.append(tr("1 件ずつ %1 件").arg(onTheirOwn));
    return tr("ディスクへの書き込みの確定: %1").arg(ways.isEmpty() ? tr("なし") : ways.join(tr("、")));
}

QString Messages::destinationMissing(const QString &folder)
{
    return tr("変換先のフォルダー「%1」が見つかりません").arg(fs::shown(folder));
}

QString Messages::reportUnwritable(const QString &path, const Failure &failure)
{
    return tr("結果のファイル「%1」を書き込めません（%2）").arg(fs::shown(path), cause(failure));
}

QString Messages::folderNotFoundTitle()
{
    return tr("フォルダーが見つかりません");
}

QString Messages::notFoundTitle()
{
    return tr("ファイルが見つかりません");
}

QString Messages::batchTitle(bool stopped)
{
    return stopped ? tr("変換を中止しました") : tr("変換できなかったファイルがあります");
}

QString Messages::batchSummary(int selected, int converted, int failed, int notRun)
{
    if (notRun > 0)
        return tr("変換を中止しました。選択した %1 件のうち、%2 件を変換し、残りの %3 件は変換していません。")
            .arg(selected)
            .arg(converted)
            .arg(notRun);
    if (selected == 1)
        return tr("選択したファイルを変換できませんでした。");
    if (failed == selected)
        return tr("選択した %1 件のファイルは、どれも変換できませんでした。").arg(failed);
    return tr("次のファイルは変換できませんでした（%1 件中 %2 件）。ほかの選択したファイルは変換しました。")
        .arg(selected)
        .arg(failed);
}

QString Messages::batchCounts(const Tally &tally)
{
    return tr("変換 %1 件、同じ内容でそのまま %2 件、失敗 %3 件、未実行 %4 件")
        .arg(tally.converted)
        .arg(tally.unchanged)
        .arg(tally.failed)
        .arg(tally.notRun);
}

QString Messages::moreFailures(int count)
{
    return tr("ほか %1 件").arg(count);
}

QString Messages::outcomeLine(const Outcome &outcome, bool dryRun, bool withCount)
{
    const QString source = fs::shown(outcome.source);
    const QString destination = fs::shown(outcome.destination);
    const QString count = withCount ? tr("（%1 行）").arg(outcome.records) : QString();
    switch (outcome.result) {
    case Outcome::Result::Converted:
        if (dryRun)
            return tr("変換します%1: %2 → %3%4")
                .arg(outcome.replaced ? tr("（上書き）") : QString(), source, destination, count);
        if (!outcome.backup.isEmpty())
            return tr("変換しました: %1 → %2%3（前の内容は %4 に残しました）")
                .arg(source, destination, count, fs::shown(outcome.backup));
        return tr("変換しました: %1 → %2%3").arg(source, destination, count);
    case Outcome::Result::Unchanged:
        return tr("同じ内容のため、そのままにしました: %1").arg(destination);
    case Outcome::Result::NoRecords:
        return tr("データ行がないため変換しませんでした: %1").arg(source);
    case Outcome::Result::Kept:
        return tr("既にあるため変換しませんでした: %1").arg(destination);
    case Outcome::Result::Failed:
    case Outcome::Result::NotRun:
        break;
    }
    return failureOf(outcome);
}

QString Messages::stopped(int converted, int notRun)
{
    return tr("中止しました。%1 件を変換し、残りの %2 件は変換していません。").arg(converted).arg(notRun);
}

QString causeId(Cause cause)
{
    switch (cause) {
    case Cause::None: return u"none"_s;
    case Cause::NotFound: return u"not-found"_s;
    case Cause::NotAFolder: return u"not-a-folder"_s;
    case Cause::FolderInTheWay: return u"folder-in-the-way"_s;
    case Cause::NoPermission: return u"no-permission"_s;
    case Cause::ReadOnlyMedium: return u"read-only-medium"_s;
    case Cause::ReadOnlyFile: return u"read-only-file"_s;
    case Cause::NoSpace: return u"no-space"_s;
    case Cause::TooLarge: return u"file-too-large"_s;
    case Cause::NameTooLong: return u"name-too-long"_s;
    case Cause::InvalidName: return u"invalid-name"_s;
    case Cause::ReservedName: return u"reserved-name"_s;
    case Cause::IoError: return u"io-error"_s;
    case Cause::TooManyOpenFiles: return u"too-many-open-files"_s;
    case Cause::OutOfMemory: return u"out-of-memory"_s;
    case Cause::Busy: return u"busy"_s;
    case Cause::Exists: return u"exists"_s;
    case Cause::NotRegularFile: return u"not-a-regular-file"_s;
    case Cause::LinkInTheWay: return u"link-at-output"_s;
    case Cause::CrossDevice: return u"cross-device"_s;
    case Cause::NoLocks: return u"no-locks"_s;
    case Cause::Unsupported: return u"unsupported"_s;
    case Cause::SystemError: return u"system-error"_s;
    case Cause::Truncated: return u"truncated"_s;
    case Cause::NegativeCount: return u"negative-count"_s;
    case Cause::NameTooShort: return u"name-too-short"_s;
    case Cause::ColumnOutOfRange: return u"column-out-of-range"_s;
    case Cause::SameFile: return u"same-file"_s;
    case Cause::Clash: return u"clash"_s;
    case Cause::NotDataFile: return u"not-a-data-file"_s;
    case Cause::NotOldData: return u"not-old-data"_s;
    case Cause::Stopped: return u"stopped"_s;
    }
    return u"system-error"_s;
}

} // namespace hy3
