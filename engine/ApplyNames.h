#pragma once

#include "DirectorySnapshot.h"
#include "FileList.h"
#include "FileSystem.h"
#include "Progress.h"
#include "UserTexts.h"

#include <cstdint>
#include <optional>
#include <string>

namespace renamer {

// What a batch did, for the window to show.
struct ApplyOutcome {
    RowRange changed;          // rows renamed (and maybe rows between): their FileName and NewName changed
    std::uint64_t renamedCount = 0;
    std::optional<Failure> failure; // what stopped the batch; statusText is then the failure message
    std::string statusText;    // "3个文件已重命名", or the failure message, for a message box too
};

// Renames every file whose row has a non-empty NewName, within its own
// directory, in the order of the plan (BatchPlan.h): row order, but a row
// whose new name another row's file has yet to leave waits for it, and rows
// whose names go round are renamed together (RotateNames.h). A renamed row
// gets the new name as FileName (as the file system stored it, where that
// differs) and an empty NewName. A row renames only the file it was made
// for: a folder path that names another folder now ("文件夹已被替换"), or an
// old name that now belongs to another file ("文件已被替换", or "文件未找到"
// when this batch moved that file there), stops the batch, as does a new
// name longer than any file system holds ("文件名过长"). The first failure
// stops the batch: rows renamed before it stay renamed, the others are
// untouched. `progress`, when given, hears whenever a report is due, which
// rows were renamed since the last one (their FileName and NewName cells).
// Where inode numbers cannot tell files apart, a row whose old name this
// batch filled with another row's file is refused as well ("文件未找到"),
// and where the row's file has a fingerprint (FileIdentity), a file under
// its old name with another one is "文件已被替换". A row's folder is opened
// through the path it resolved to when the row was made, so a link put in
// its place since is "文件夹已被替换" (FileSystem::reopenFolder).
// `folders` tells which folders ignore letter case; without it the batch
// reads the rows' folders when it first compares names.
ApplyOutcome ApplyNames(FileList& list, FileSystem& fileSystem, Progress* progress = nullptr,
                        const DirectorySnapshot* folders = nullptr);

} // namespace renamer
