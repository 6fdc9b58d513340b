// SPDX-License-Identifier: MIT
#include "dataerror.h"

using namespace Qt::StringLiterals;

namespace hy3 {

QString causeText(Cause cause, int code)
{
    switch (cause) {
    case Cause::None:
        return {};
    case Cause::NotFound:
        return u"見つかりません"_s;
    case Cause::NotAFolder:
        return u"途中にフォルダーでないものがあります"_s;
    case Cause::FolderInTheWay:
        return u"同じ名前のフォルダーがあります"_s;
    case Cause::NoPermission:
        return u"アクセス権がありません"_s;
    case Cause::ReadOnlyMedium:
        return u"読み取り専用のメディアです"_s;
    case Cause::NoSpace:
        return u"容量不足です。空き容量がありません"_s;
    case Cause::TooLarge:
        return u"ファイルサイズの上限を超えます"_s;
    case Cause::NameTooLong:
        return u"名前が長すぎます"_s;
    case Cause::InvalidName:
        return u"この名前は保存先のメディアでは使えません"_s;
    case Cause::IoError:
        return u"メディアの読み書きでエラーが起きました"_s;
    case Cause::TooManyOpenFiles:
        return u"開いているファイルが多すぎます"_s;
    case Cause::OutOfMemory:
        return u"メモリが足りません"_s;
    case Cause::Busy:
        return u"ほかのプログラムが使用中です"_s;
    case Cause::Exists:
        return u"同じ名前のファイルがあります"_s;
    case Cause::NotRegularFile:
        return u"フォルダーやパイプ、デバイスなどで、通常のファイルではありません"_s;
    case Cause::LinkAtOutput:
        return u"シンボリックリンクです。リンク先には書き込みません"_s;
    case Cause::SystemError:
        return u"システムのエラーです（エラー番号 %1）"_s.arg(code);
    case Cause::Truncated:
        return u"ファイルが途中で終わっています"_s;
    case Cause::NegativeCount:
        return u"行数が負の値です"_s;
    case Cause::NameTooShort:
        return u"ファイル名が短すぎます"_s;
    case Cause::ColumnOutOfRange:
        return u"列の指定が範囲外です"_s;
    case Cause::SameFile:
        return u"変換元と変換先が同じファイルです"_s;
    case Cause::Clash:
        return u"同じ変換先に書き込むファイルがほかにあります"_s;
    }
    return u"システムのエラーです（エラー番号 %1）"_s.arg(code);
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
    case Cause::NoSpace: return u"no-space"_s;
    case Cause::TooLarge: return u"file-too-large"_s;
    case Cause::NameTooLong: return u"name-too-long"_s;
    case Cause::InvalidName: return u"invalid-name"_s;
    case Cause::IoError: return u"io-error"_s;
    case Cause::TooManyOpenFiles: return u"too-many-open-files"_s;
    case Cause::OutOfMemory: return u"out-of-memory"_s;
    case Cause::Busy: return u"busy"_s;
    case Cause::Exists: return u"exists"_s;
    case Cause::NotRegularFile: return u"not-a-regular-file"_s;
    case Cause::LinkAtOutput: return u"link-at-output"_s;
    case Cause::SystemError: return u"system-error"_s;
    case Cause::Truncated: return u"truncated"_s;
    case Cause::NegativeCount: return u"negative-count"_s;
    case Cause::NameTooShort: return u"name-too-short"_s;
    case Cause::ColumnOutOfRange: return u"column-out-of-range"_s;
    case Cause::SameFile: return u"same-file"_s;
    case Cause::Clash: return u"clash"_s;
    }
    return u"system-error"_s;
}

} // namespace hy3
