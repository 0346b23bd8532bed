#pragma once

#include <string_view>

namespace renamer {

// The status line at start-up and after the list is cleared.
inline constexpr std::string_view kStartupHint = "提示:将文件或目录拖至列表窗口";

// Follows the list's row count after a drop: "5个文件已加入列表".
inline constexpr std::string_view kAddedToListSuffix = "个文件已加入列表";
// Follows the renamed count after a complete batch: "3个文件已重命名".
inline constexpr std::string_view kRenamedSuffix = "个文件已重命名";

} // namespace renamer
