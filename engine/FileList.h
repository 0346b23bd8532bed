#pragma once

#include "Failure.h"
#include "FileIdentity.h"
#include "Revision.h"

#include "TextColumn.h"
#include "Utf8.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <string>
#include <string_view>
#include <vector>

namespace renamer {

class FileSystem;

// The keys by which every piece of code addresses a column.
namespace ColumnKey {
inline constexpr std::string_view Id = "ID";
inline constexpr std::string_view Path = "Path";
inline constexpr std::string_view FileName = "FileName";
inline constexpr std::string_view NewName = "NewName";
} // namespace ColumnKey

// Index of a cell within a row: 0 is the row's main text, 1.. its sub-items.
using SubItemIndex = std::size_t;

struct ListColumn {
    std::string_view key;
    std::string_view header;
    SubItemIndex subItemIndex = 0;
};

// Rows touched by an operation, as 1-based positions; empty when first == 0.
struct RowRange {
    std::size_t first = 0;
    std::size_t last = 0;

    bool empty() const { return first == 0; }
    void include(std::size_t row)
    {
        if (first == 0 || row < first)
            first = row;
        if (row > last)
            last = row;
    }
    void include(const RowRange& other)
    {
        if (!other.empty()) {
            include(other.first);
            include(other.last);
        }
    }
    bool operator==(const RowRange&) const = default;
};

// The file a row was made for, as the file system told when the row was
// added: its inode number and fingerprint (FileIdentity) in its folder, that
// folder's identity, the path the folder resolved to (without symbolic
// links; it stays valid while the row does), and when the folder was read
// for it. A row made without them has them all unknown (empty, 0).
struct RowOrigin {
    std::uint64_t inode = 0;
    FileIdentity folder{};
    std::uint32_t fingerprint = 0;
    std::string_view resolvedFolder{};
    std::int64_t listedAt = 0; // of the folder's listing the row came from (FolderListing::listedAt)

    bool operator==(const RowOrigin&) const = default;
};

// The table of files: one row per file put in, with the file's directory,
// current name and proposed new name. It is the one store of rows; the window
// shows it through an adapter. Rows are appended at the end or removed all
// together, so a row's ID always equals its position (counted from 1).
//
// Rows of one folder share its path text: a row holds the folder's number,
// and the texts of each other column lie back to back in one buffer (a
// million rows take about 44 bytes each besides their names).
class FileList {
public:
    static constexpr std::size_t kColumnCount = 4;
    // Rows of one folder, counted from 0 in the order folders first came;
    // fewer than 2^31.
    using FolderNumber = std::uint32_t;

    FileList();

    // The four columns in display order: ID, Path, FileName, NewName.
    const std::array<ListColumn, kColumnCount>& columns() const { return columns_; }
    std::size_t columnCount() const { return columns_.size(); }

    // The one place that maps a column key to its column; an unknown key is a
    // programming error and throws std::invalid_argument.
    const ListColumn& column(std::string_view key) const;
    // Where the column stands in display order, counted from 0.
    std::size_t columnPosition(std::string_view key) const;
    SubItemIndex subItemIndex(std::string_view key) const { return column(key).subItemIndex; }

    std::size_t rowCount() const { return files_.size(); }

    // Cells by 1-based row position; an out-of-range row throws
    // std::out_of_range. The text stays valid until its column next changes.
    std::string_view cell(std::size_t row, SubItemIndex index) const
    {
        checkRow(row);
        if (index == pathIndex_)
            return folders_[files_[row - 1].folder].path;
        if (index >= kColumnCount)
            throwOutsideRow(index);
        return texts_[index].text(row - 1);
    }
    std::string_view cell(std::size_t row, std::string_view key) const { return cell(row, subItemIndex(key)); }
    // `text` may be a cell's text, of this row or another.
    void setCell(std::size_t row, SubItemIndex index, std::string_view text);
    // Writes a NewName where the row's NewName stands, when the text fits
    // there: true when written, false (and nothing changed) when it does not
    // fit. Never moves any text, so that calls for different rows may run
    // at the same time (while nothing else changes the list).
    bool setNewNameInPlace(std::size_t row, std::string_view text)
    {
        checkRow(row);
        return texts_[newNameIndex_].assignInPlace(row - 1, text);
    }
    // Room for `count` NewNames of `bytes` bytes in all that do not fit
    // where the rows' NewNames stand: one allocation rather than a column
    // grown step by step, each step leaving its old buffer to the allocator.
    void reserveNewNames(std::size_t count, std::size_t bytes)
    {
        texts_[newNameIndex_].reserveForAssigning(count, bytes);
    }
    void setCell(std::size_t row, std::string_view key, std::string_view text)
    {
        setCell(row, subItemIndex(key), text);
    }

    // Which file the row was made for (1-based; out of range throws).
    RowOrigin origin(std::size_t row) const;
    std::uint64_t inodeOf(std::size_t row) const
    {
        checkRow(row);
        return files_[row - 1].inode();
    }

    // Changes whenever a row is added or removed or a cell other than a
    // NewName is written: what stays the same from keystroke to keystroke.
    std::uint64_t rowsRevision() const { return rowsRevision_; }

    // What is known of the row's FileName (textForm), worked out when the
    // name was written, so that matching it need not find out again
    // (1-based row; out of range throws).
    TextForm fileNameForm(std::size_t row) const
    {
        checkRow(row);
        return static_cast<TextForm>(files_[row - 1].fileNameForm);
    }

    // The row's folder: rows with the same Path, folder identity, resolved
    // path and listing share one (1-based row; out of range throws).
    FolderNumber folderOf(std::size_t row) const;
    std::size_t folderCount() const { return folders_.size(); }
    std::string_view folderPath(FolderNumber folder) const { return folders_[folder].path; }

    // Appends a row with its main text, Path and FileName; returns its position.
    std::size_t appendRow(std::string_view mainText, std::string_view path, std::string_view fileName,
                          const RowOrigin& origin);
    // Makes room for `count` more rows whose names take `nameBytes` in all,
    // growing at least geometrically so that many small drops stay linear.
    void reserveForAppending(std::size_t count, std::size_t nameBytes = 0);
    void clear();

private:
    struct Folder {
        std::string path;
        FileIdentity identity;
        std::string resolvedPath;
        std::int64_t listedAt;
    };
    // Beside each row, its file's inode number, its folder, and what is
    // known of its name: the inode in two halves, so that a row takes 12
    // bytes rather than 16 with padding.
    struct RowFile {
        std::uint32_t inodeLow;
        std::uint32_t inodeHigh;
        FolderNumber folder : 30;
        std::uint32_t fileNameForm : 2;

        RowFile(std::uint64_t inode, FolderNumber folder, TextForm fileNameForm)
            : inodeLow(static_cast<std::uint32_t>(inode))
            , inodeHigh(static_cast<std::uint32_t>(inode >> 32))
            , folder(folder)
            , fileNameForm(static_cast<std::uint32_t>(fileNameForm))
        {
        }
        std::uint64_t inode() const { return std::uint64_t{inodeHigh} << 32 | inodeLow; }
    };

    void checkRow(std::size_t row) const
    {
        if (row == 0 || row > files_.size()) [[unlikely]]
            throwOutsideList(row);
    }
    [[noreturn]] static void throwOutsideList(std::size_t row);
    [[noreturn]] static void throwOutsideRow(SubItemIndex index);
    // The folder of that path, identity, resolved path and listing time,
    // made when it is new.
    FolderNumber folderFor(std::string_view path, const FileIdentity& identity, std::string_view resolvedPath,
                           std::int64_t listedAt);

    std::array<ListColumn, kColumnCount> columns_;
    SubItemIndex pathIndex_;
    std::vector<RowFile> files_;
    // The rows' fingerprints (RowOrigin::fingerprint), kept from the first
    // row that has one: most volumes tell files apart by inode and folder
    // listing alone, and their rows then pay nothing for it.
    std::vector<std::uint32_t> fingerprints_;
    std::array<TextColumn, kColumnCount> texts_; // by sub-item index; the Path column's stays empty
    std::deque<Folder> folders_;                 // stays put, so that paths read stay valid
    std::unordered_map<std::string, std::vector<FolderNumber>> foldersByPath_;
    FolderNumber lastFolder_ = 0;                // rows of one folder mostly come together
    SubItemIndex fileNameIndex_;
    SubItemIndex newNameIndex_;
    std::uint64_t rowsRevision_;
};

// Appends a row for the file `name` in the directory `parentPath`, numbered
// the row count before it plus one, with an empty NewName.
Result<void> appendFileRow(FileList& list, std::string_view parentPath, std::string_view name,
                           const RowOrigin& origin = {});

// Appends one row for the file at `path`, asking the file system for its
// directory, name and identity. The new row's ID is the row count before it
// plus one. A failed lookup adds no row and is returned.
Result<void> AddFile(FileList& list, FileSystem& fileSystem, const std::string& path);

} // namespace renamer
