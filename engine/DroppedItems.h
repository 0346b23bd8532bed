#pragma once

#include "FileList.h"
#include "FileSystem.h"
#include "PreviewNames.h"
#include "Progress.h"

#include <optional>
#include <string>
#include <vector>

namespace renamer {

// What one drop did to the list, for the window to refresh just that.
struct DropOutcome {
    RowRange appended;                     // rows added, kept even when the drop failed
    RowRange previewChanged;               // rows there before whose NewName the preview changed
    std::optional<std::string> statusText; // the new status text; none when the drop failed
    std::vector<FolderListing> folders;    // the dropped folders that added rows, as read for them
};

// Adds one row for every file directly inside the folder, in the file
// system's listing order, exactly as AddFile would for each; sub-folders and
// the folder itself add no row. Returns the folder as it was read.
// `progress`, when given, hears now and then that the drop goes on.
Result<FolderListing> AddFolder(FileList& list, FileSystem& fileSystem, const std::string& folderPath,
                                Progress* progress = nullptr);

// Takes dropped paths in the order the drop delivers them: a folder goes to
// AddFolder, anything else to AddFile. Then the status text becomes the
// list's row count followed by "个文件已加入列表" and the preview runs over
// all rows. The first failure ends the drop: rows added before it stay, the
// remaining paths are not added, no status text is given and no preview runs.
DropOutcome AddDroppedItems(FileList& list, FileSystem& fileSystem, const std::vector<std::string>& paths,
                            const PreviewSettings& preview, Progress* progress = nullptr);

} // namespace renamer
