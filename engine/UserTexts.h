#pragma once

#include "Failure.h"
#include "NameRefusal.h"

#include <string>
#include <string_view>

namespace renamer {

// The texts the engine gives the user, all but the cues' (CueTexts.h).

// The status line at start-up and after the list is cleared.
inline constexpr std::string_view kStartupHint = "提示:将文件或目录拖至列表窗口";
// Follows the list's row count after a drop: "5个文件已加入列表".
inline constexpr std::string_view kAddedToListSuffix = "个文件已加入列表";
// Follows the renamed count after a complete batch: "3个文件已重命名".
inline constexpr std::string_view kRenamedSuffix = "个文件已重命名";

// The columns' header texts.
inline constexpr std::string_view kIdHeader = "#";
inline constexpr std::string_view kPathHeader = "目录";
inline constexpr std::string_view kFileNameHeader = "原文件名";
inline constexpr std::string_view kNewNameHeader = "新文件名";

// A failure of `kind` with the text every layer gives that kind. Other has
// no text of its own: asking for it throws std::invalid_argument.
Failure failureOf(FailureKind kind);

// The failure of a new name that breaks `refusal`: too long, or refused with
// the rule named ("文件名无效：不能含有“:”").
Failure nameRefusedFailure(const NameRefusal& refusal);

// The message of a failed rename:
// 将"old"重命名为"new"时出错：description
std::string renameFailureMessage(std::string_view oldName, std::string_view newName, std::string_view description);

// `failure`, said of a file that was left under the name `temporary`.
Failure leftUnderTemporaryName(Failure failure, std::string_view temporary);

// `failure`, said of files whose names were going round and could not all
// be given their old names back.
Failure leftMidRotation(Failure failure);

// A short phrase for the reason, naming the character where there is one:
// "不能含有“:”".
std::string describeNameRefusal(const NameRefusal& refusal);

} // namespace renamer
