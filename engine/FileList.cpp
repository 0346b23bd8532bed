#include "FileList.h"

#include "FileSystem.h"
#include "UserTexts.h"
#include "Utf8.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace renamer {

FileList::FileList()
    : columns_{{
          {ColumnKey::Id, kIdHeader, 0},
          {ColumnKey::Path, kPathHeader, 1},
          {ColumnKey::FileName, kFileNameHeader, 2},
          {ColumnKey::NewName, kNewNameHeader, 3},
      }}
    , pathIndex_(column(ColumnKey::Path).subItemIndex)
    , fileNameIndex_(column(ColumnKey::FileName).subItemIndex)
    , newNameIndex_(column(ColumnKey::NewName).subItemIndex)
    , rowsRevision_(nextRevision())
{
}

const ListColumn& FileList::column(std::string_view key) const
{
    for (const ListColumn& candidate : columns_) {
        if (candidate.key == key)
            return candidate;
    }
    throw std::invalid_argument("unknown column key: " + std::string(key));
}

std::size_t FileList::columnPosition(std::string_view key) const
{
    return static_cast<std::size_t>(&column(key) - columns_.data());
}

void FileList::throwOutsideList(std::size_t row)
{
    throw std::out_of_range("row " + std::to_string(row) + " outside the list");
}

void FileList::throwOutsideRow(SubItemIndex index)
{
    throw std::out_of_range("sub-item " + std::to_string(index) + " outside the row");
}

void FileList::setCell(std::size_t row, SubItemIndex index, std::string_view text)
{
    checkRow(row);
    if (index >= kColumnCount)
        throwOutsideRow(index);
    RowFile& file = files_[row - 1];
    if (index != newNameIndex_)
        rowsRevision_ = nextRevision();
    if (index == pathIndex_) {
        // The path resolved to lies elsewhere now, or nowhere: unknown.
        const FileIdentity identity = folders_[file.folder].identity;
        file.folder = folderFor(text, identity, {}, 0);
        return;
    }
    if (index == fileNameIndex_)
        file.fileNameForm = static_cast<std::uint32_t>(textForm(text));
    texts_[index].assign(row - 1, text);
}

RowOrigin FileList::origin(std::size_t row) const
{
    checkRow(row);
    const RowFile& file = files_[row - 1];
    const Folder& folder = folders_[file.folder];
    const std::uint32_t fingerprint = row <= fingerprints_.size() ? fingerprints_[row - 1] : 0;
    return {file.inode(), folder.identity, fingerprint, folder.resolvedPath, folder.listedAt};
}

FileList::FolderNumber FileList::folderOf(std::size_t row) const
{
    checkRow(row);
    return files_[row - 1].folder;
}

FileList::FolderNumber FileList::folderFor(std::string_view path, const FileIdentity& identity,
                                           std::string_view resolvedPath, std::int64_t listedAt)
{
    const auto isIt = [&](const Folder& folder) {
        return folder.identity == identity && folder.resolvedPath == resolvedPath && folder.listedAt == listedAt;
    };
    if (lastFolder_ < folders_.size() && folders_[lastFolder_].path == path && isIt(folders_[lastFolder_]))
        return lastFolder_;
    std::vector<FolderNumber>& samePath = foldersByPath_[std::string(path)];
    for (const FolderNumber folder : samePath) {
        if (isIt(folders_[folder]))
            return lastFolder_ = folder;
    }
    // A row keeps its folder's number in 30 bits; a list never comes near
    // that many folders (each has a row), but a number cut short would
    // give a row another folder.
    if (folders_.size() >= (std::size_t{1} << 30))
        throw std::length_error("too many folders in one list");
    folders_.push_back({std::string(path), identity, std::string(resolvedPath), listedAt});
    samePath.push_back(static_cast<FolderNumber>(folders_.size() - 1));
    return lastFolder_ = samePath.back();
}

void FileList::reserveForAppending(std::size_t count, std::size_t nameBytes)
{
    if (files_.size() + count > files_.capacity())
        files_.reserve(std::max(files_.size() + count, 2 * files_.capacity()));
    for (SubItemIndex index = 0; index < kColumnCount; ++index) {
        if (index == pathIndex_)
            continue;
        // Numbers take a few bytes; names what the caller says; proposals
        // come later.
        const std::size_t bytes = index == subItemIndex(ColumnKey::Id) ? 8 * count
            : index == subItemIndex(ColumnKey::FileName)               ? nameBytes
                                                                       : 0;
        texts_[index].reserve(count, bytes);
    }
}

std::size_t FileList::appendRow(std::string_view mainText, std::string_view path, std::string_view fileName,
                                const RowOrigin& origin)
{
    const SubItemIndex idIndex = subItemIndex(ColumnKey::Id);
    const SubItemIndex fileNameIndex = subItemIndex(ColumnKey::FileName);
    rowsRevision_ = nextRevision();
    files_.emplace_back(origin.inode, folderFor(path, origin.folder, origin.resolvedFolder, origin.listedAt),
                        textForm(fileName));
    if (origin.fingerprint != 0 && fingerprints_.empty())
        fingerprints_.reserve(files_.capacity());
    if (origin.fingerprint != 0 || !fingerprints_.empty()) {
        fingerprints_.resize(files_.size() - 1);
        fingerprints_.push_back(origin.fingerprint);
    }
    for (SubItemIndex index = 0; index < kColumnCount; ++index) {
        if (index != pathIndex_)
            texts_[index].append(index == idIndex ? mainText : index == fileNameIndex ? fileName : std::string_view{});
    }
    return files_.size();
}

void FileList::clear()
{
    files_ = {};
    fingerprints_ = {};
    for (TextColumn& texts : texts_)
        texts.clear();
    folders_.clear();
    foldersByPath_.clear();
    lastFolder_ = 0;
    rowsRevision_ = nextRevision();
}

Result<void> appendFileRow(FileList& list, std::string_view parentPath, std::string_view name,
                           const RowOrigin& origin)
{
    // The row count is a 32-bit value; the next number must still fit.
    if (list.rowCount() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return failWith(failureOf(FailureKind::ListFull));
    char number[16];
    const auto written = std::to_chars(number, number + sizeof number, list.rowCount() + 1);
    list.appendRow(std::string_view(number, static_cast<std::size_t>(written.ptr - number)), parentPath, name,
                   origin);
    return {};
}

Result<void> AddFile(FileList& list, FileSystem& fileSystem, const std::string& path)
{
    auto file = fileSystem.lookUpFile(path);
    if (!file)
        return std::unexpected(file.error());
    RowOrigin origin{file->identity.inode, {}, file->identity.fingerprint, {}};
    if (file->folder) {
        origin.folder = file->folder->identity();
        origin.resolvedFolder = file->folder->resolvedPath();
    }
    return appendFileRow(list, file->parentPath, file->name, origin);
}

} // namespace renamer
