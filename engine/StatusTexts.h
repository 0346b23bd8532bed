#pragma once

#include <string_view>

namespace renamer {

// Follows the list's row count after a drop: "5个文件已加入列表".
inline constexpr std::string_view kAddedToListSuffix = "个文件已加入列表";
// Follows the renamed count after a complete batch: "3个文件已重命名".
inline constexpr std::string_view kRenamedSuffix = "个文件已重命名";

} // namespace renamer
