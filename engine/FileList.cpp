#include "FileList.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace renamer {

FileList::FileList()
    : columns_{{
          {ColumnKey::Id, "#", 0},
          {ColumnKey::Path, "目录", 1},
          {ColumnKey::FileName, "原文件名", 2},
          {ColumnKey::NewName, "新文件名", 3},
      }}
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

void FileList::setColumnWidth(std::string_view key, float twips)
{
    columns_[column(key).subItemIndex].width = twips;
}

const FileList::Row& FileList::rowAt(std::size_t row) const
{
    if (row == 0 || row > rows_.size())
        throw std::out_of_range("row " + std::to_string(row) + " outside the list");
    return rows_[row - 1];
}

FileList::Row& FileList::rowAt(std::size_t row)
{
    return const_cast<Row&>(static_cast<const FileList&>(*this).rowAt(row));
}

const std::string& FileList::cell(std::size_t row, SubItemIndex index) const
{
    return rowAt(row).at(index);
}

void FileList::setCell(std::size_t row, SubItemIndex index, std::string_view text)
{
    rowAt(row).at(index).assign(text);
}

RowOrigin FileList::origin(std::size_t row) const
{
    rowAt(row); // the range check
    const RowFile& file = files_[row - 1];
    return {file.inode, folders_[file.folder]};
}

void FileList::reserveForAppending(std::size_t count)
{
    const std::size_t needed = rows_.size() + count;
    if (needed > rows_.capacity()) {
        const std::size_t capacity = std::max(needed, 2 * rows_.capacity());
        rows_.reserve(capacity);
        files_.reserve(capacity);
    }
}

std::size_t FileList::appendRow(std::string mainText, const RowOrigin& origin)
{
    Row& row = rows_.emplace_back();
    row[subItemIndex(ColumnKey::Id)] = std::move(mainText);
    if (folders_.empty() || folders_.back() != origin.folder)
        folders_.push_back(origin.folder);
    files_.push_back({origin.inode, static_cast<std::uint32_t>(folders_.size() - 1)});
    return rows_.size();
}

void FileList::clear()
{
    rows_.clear();
    rows_.shrink_to_fit();
    files_.clear();
    files_.shrink_to_fit();
    folders_.clear();
    folders_.shrink_to_fit();
}

Result<void> appendFileRow(FileList& list, std::string_view parentPath, std::string_view name,
                           const RowOrigin& origin)
{
    // The row count is a 32-bit value; the next number must still fit.
    if (list.rowCount() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return failWith("列表已满");
    const std::size_t row = list.appendRow(std::to_string(list.rowCount() + 1), origin);
    list.setCell(row, ColumnKey::Path, parentPath);
    list.setCell(row, ColumnKey::FileName, name);
    return {};
}

Result<void> AddFile(FileList& list, FileSystem& fileSystem, const std::string& path)
{
    auto file = fileSystem.lookUpFile(path);
    if (!file)
        return std::unexpected(file.error());
    const FileIdentity folder = file->folder ? file->folder->identity() : FileIdentity{};
    return appendFileRow(list, file->parentPath, file->name, {file->identity.inode, folder});
}

} // namespace renamer
