#include "RenameCues.h"

#include "CaseFolding.h"
#include "NameBound.h"

#include <deque>
#include <unordered_set>

namespace renamer {

std::string describeRowCue(const RowCue& cue, const std::optional<NameRefusal>& refusal)
{
    const std::string row = std::to_string(cue.otherRow);
    switch (cue.kind) {
    case RowCueKind::Clean:
        return {};
    case RowCueKind::Unchanged:
        return "新文件名与原文件名相同";
    case RowCueKind::StaleProposal:
        return "当前表达式不匹配此文件；新文件名来自之前的表达式";
    case RowCueKind::InvalidName:
        return "新文件名无效：不能含有“/”，也不能是“.”或“..”";
    case RowCueKind::NameTooLong:
        return "新文件名过长";
    case RowCueKind::NotAWindowsName:
        return refusal ? "新文件名不适用于 Windows 卷：" + describeNameRefusal(*refusal) : "新文件名不适用于 Windows 卷";
    case RowCueKind::ReadOnlyVolume:
        return "文件夹所在的卷是只读的";
    case RowCueKind::NoWriteRights:
        return "没有在此文件夹中重命名文件的权限";
    case RowCueKind::TakenOnDisk:
        return "目录中已有同名文件";
    case RowCueKind::TakenByEarlierRow:
        return "与第 " + row + " 行的新文件名相同";
    case RowCueKind::SourceGone:
        return "原文件已不存在";
    case RowCueKind::RenamedByEarlierRow:
        return "第 " + row + " 行已将此文件重命名";
    case RowCueKind::SourceReplaced:
        return "原文件名已属于另一个文件";
    case RowCueKind::FolderReplaced:
        return "文件夹已被替换";
    }
    return {};
}

DirectorySnapshot::Directory::Directory(DirectoryNames names)
    : caseInsensitive_(names.caseInsensitive)
    , longestName_(names.longestName)
    , volumeKind_(names.volumeKind)
    , access_(names.access)
    , identity_(names.folder)
{
    if (caseInsensitive_) {
        NameList folded;
        std::string name;
        for (std::size_t i = 0; i < names.names.size(); ++i) {
            foldCase(names.names[i], name);
            folded.add(name);
        }
        names.names = std::move(folded);
    }
    // The table views into the list, which stays put from here on.
    storage_ = std::move(names.names);
    names_.reserve(storage_.size());
    for (std::size_t i = 0; i < storage_.size(); ++i) {
        const std::string_view name = storage_[i];
        names_.findOrInsert(0, name, hashName(name)) = i < names.inodes.size() ? names.inodes[i] : 0;
    }
}

void DirectorySnapshot::read(const std::string& path, FileSystem& fileSystem)
{
    auto names = fileSystem.readDirectoryNames(path);
    if (!names) {
        // An unreadable directory gives no cues about names on disk; the
        // batch itself still refuses any collision.
        directories_.erase(path);
        return;
    }
    directories_[path] = std::make_unique<Directory>(*std::move(names));
}

void DirectorySnapshot::readDirectoriesOf(const FileList& list, FileSystem& fileSystem, const RowRange& rows)
{
    if (rows.empty())
        return;
    const SubItemIndex pathIndex = list.subItemIndex(ColumnKey::Path);
    std::string_view previous;
    std::unordered_set<std::string_view> seen;
    for (std::size_t row = rows.first; row <= rows.last; ++row) {
        const std::string& path = list.cell(row, pathIndex);
        if (path == previous)
            continue;
        previous = path;
        if (seen.insert(path).second)
            read(path, fileSystem);
    }
}

void DirectorySnapshot::refresh(const FileList& list, FileSystem& fileSystem)
{
    directories_.clear();
    if (list.rowCount() > 0)
        readDirectoriesOf(list, fileSystem, RowRange{1, list.rowCount()});
}

void DirectorySnapshot::clear()
{
    directories_.clear();
}

const DirectorySnapshot::Directory* DirectorySnapshot::find(std::string_view path) const
{
    const auto found = directories_.find(std::string(path));
    return found == directories_.end() ? nullptr : found->second.get();
}

namespace {

bool isInvalidName(std::string_view name)
{
    return name == "." || name == ".." || name.find('/') != std::string_view::npos
        || name.find('\0') != std::string_view::npos;
}

} // namespace

std::uint32_t RowCueComputer::directoryId(std::string_view path)
{
    // Rows of one folder mostly stand together.
    if (!directories_.empty() && path == lastPath_)
        return lastDirectoryId_;
    std::uint32_t& id = directoryIds_.findOrInsert(0, path, hashName(path));
    if (id == 0) {
        directories_.push_back(snapshot_->find(path));
        id = static_cast<std::uint32_t>(directories_.size());
    }
    lastPath_ = path;
    lastDirectoryId_ = id;
    return id;
}

std::string_view RowCueComputer::key(const DirectorySnapshot::Directory* directory, std::string_view name)
{
    if (directory == nullptr || !directory->caseInsensitive())
        return name;
    foldCase(name, scratch_);
    return folded_.emplace_back(scratch_);
}

RowCue RowCueComputer::findSource(const RowOrigin& origin, const DirectorySnapshot::Directory* directory,
                                  const NameState* old, std::string_view oldKey, std::size_t oldHash) const
{
    // The file the batch would find under the old name: the one an earlier
    // row renamed to it, none when an earlier row renamed its file away,
    // else the one on disk.
    bool found = true;
    std::uint64_t foundInode = 0;
    if (old != nullptr && old->renamedToBy != 0) {
        foundInode = list_->origin(old->renamedToBy).inode;
    } else if (old != nullptr && old->renamedAwayBy != 0) {
        found = false;
    } else if (directory != nullptr) {
        const std::uint64_t* inode = directory->inodeOf(oldKey, oldHash);
        found = inode != nullptr;
        foundInode = found ? *inode : 0;
    }
    if (found && maybeSameInode(foundInode, origin.inode))
        return {};
    // Not there: moved away by an earlier row, or gone or replaced on disk.
    if (old != nullptr && old->renamedAwayBy != 0
        && maybeSameInode(list_->origin(old->renamedAwayBy).inode, origin.inode))
        return {RowCueKind::RenamedByEarlierRow, old->renamedAwayBy};
    return {found ? RowCueKind::SourceReplaced : RowCueKind::SourceGone};
}

RowCue RowCueComputer::play(std::uint32_t row, std::string_view path, std::string_view oldName,
                            std::string_view newName)
{
    if (isInvalidName(newName))
        return {RowCueKind::InvalidName};
    // Also a name the preview cut short is longer than any name can be.
    if (newName.size() > kLongestPossibleName)
        return {RowCueKind::NameTooLong};
    const std::uint32_t id = directoryId(path);
    const DirectorySnapshot::Directory* directory = directories_[id - 1];
    // What the folder's volume refuses, in one pass over the name; a row
    // that keeps its name renames nothing, so it meets none of it.
    if (directory != nullptr && newName != oldName) {
        if (directory->access() == FolderAccess::ReadOnlyVolume)
            return {RowCueKind::ReadOnlyVolume};
        if (directory->access() == FolderAccess::NoWriteRights)
            return {RowCueKind::NoWriteRights};
        if (!followsWindowsRules(directory->volumeKind())) {
            if (newName.size() > directory->longestName())
                return {RowCueKind::NameTooLong};
        } else if (const auto refusal = refusalOf(newName, directory->volumeKind(), directory->longestName())) {
            return {refusal->kind == NameRefusalKind::TooLong ? RowCueKind::NameTooLong : RowCueKind::NotAWindowsName};
        }
    }
    const RowOrigin origin = list_->origin(row);
    if (directory != nullptr && !maybeSameFolder(origin.folder, directory->identity()))
        return {RowCueKind::FolderReplaced};

    const std::string_view oldKey = key(directory, oldName);
    const std::size_t oldHash = hashName(oldKey);
    if (const RowCue source = findSource(origin, directory, names_.find(id, oldKey, oldHash), oldKey, oldHash);
        source.isError())
        return source;
    if (newName == oldName)
        return {RowCueKind::Unchanged};
    const std::string_view newKey = key(directory, newName);
    // A change of letter case only, where case does not count, is the file
    // itself; the row then holds the name under its new spelling.
    if (newKey == oldKey) {
        names_.findOrInsert(id, oldKey, oldHash).renamedToBy = row;
        return {};
    }
    const std::size_t newHash = hashName(newKey);
    if (const NameState* taken = names_.find(id, newKey, newHash)) {
        if (taken->renamedToBy != 0)
            return {RowCueKind::TakenByEarlierRow, taken->renamedToBy};
    } else if (directory != nullptr && directory->contains(newKey, newHash)) {
        return {RowCueKind::TakenOnDisk};
    }
    names_.findOrInsert(id, newKey, newHash).renamedToBy = row;
    NameState& source = names_.findOrInsert(id, oldKey, oldHash);
    source.renamedToBy = 0;
    source.renamedAwayBy = row;
    return {};
}

RowRange RowCueComputer::compute(const FileList& list, const DirectorySnapshot& snapshot, std::vector<RowCue>& cues,
                                 const std::vector<bool>& patternMissed)
{
    list_ = &list;
    snapshot_ = &snapshot;
    const std::size_t rowCount = list.rowCount();
    // A row that renames holds two names: room for every row doing so, once,
    // rather than growing (and briefly holding two tables) mid-keystroke.
    names_.clear();
    names_.reserve(2 * rowCount);
    directoryIds_.clear();
    directories_.clear();
    folded_.clear();

    RowRange changed;
    if (cues.size() > rowCount)
        cues.resize(rowCount);
    cues.reserve(rowCount);
    const SubItemIndex pathIndex = list.subItemIndex(ColumnKey::Path);
    const SubItemIndex fileNameIndex = list.subItemIndex(ColumnKey::FileName);
    const SubItemIndex newNameIndex = list.subItemIndex(ColumnKey::NewName);
    for (std::size_t row = 1; row <= rowCount; ++row) {
        const std::string& newName = list.cell(row, newNameIndex);
        RowCue cue = newName.empty()
            ? RowCue{}
            : play(static_cast<std::uint32_t>(row), list.cell(row, pathIndex), list.cell(row, fileNameIndex), newName);
        if (cue.kind == RowCueKind::Clean && !newName.empty() && row <= patternMissed.size() && patternMissed[row - 1])
            cue.kind = RowCueKind::StaleProposal;
        if (row > cues.size()) {
            cues.push_back(cue); // a new row, shown whole
        } else if (cues[row - 1] != cue) {
            cues[row - 1] = cue;
            changed.include(row);
        }
    }
    return changed;
}

} // namespace renamer
