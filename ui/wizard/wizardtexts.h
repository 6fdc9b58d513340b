// SPDX-License-Identifier: MIT
#pragma once

// The wizard's messages and the prompts it gives the folder chooser.

namespace hy3::ui {

inline constexpr char16_t kNoSelectionPrompt[] = u"項目が１つも選択されていません！";
inline constexpr char16_t kNoSelectionTitle[] = u"項目の未選択を検知！";

inline constexpr char16_t kSourcePrompt[] = u"旧バージョンのデータが入っている位置(フォルダー)を指定してください";
inline constexpr char16_t kDestinationPrompt[] = u"コンバートしたデータの保存先(フォルダー)を指定してください";

} // namespace hy3::ui
