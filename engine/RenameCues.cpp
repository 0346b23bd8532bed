#include "RenameCues.h"

#include "CaseFolding.h"
#include "CueRules.h"
#include "Stretches.h"
#include "TemporaryName.h"
#include "Utf8.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

namespace renamer {

namespace {

// Where a key's text is.
enum TextSource : std::uint32_t {
    kEntryOfDirectory, // an entry's name in the snapshot: its number in the directory's names
    kRowFileName,      // a row's FileName: the row's index
    kFoldedName,       // a folded name: its number in the computer's own list
};

// Below this many rows the proposals are looked up on one thread.
constexpr std::size_t kLeastRowsPerStretch = 16384;

// Maps a 32-bit hash onto `size` slots, keeping the order of hashes: names
// whose hashes start alike have their slots together.
std::size_t homeSlot(std::uint32_t hash, std::size_t size)
{
    return static_cast<std::size_t>((static_cast<std::uint64_t>(hash) * size) >> 32);
}

// The look-ups go by parts of the hash space, each small enough that its
// table slots stay in the cache.
constexpr unsigned kPartBits = 8;
constexpr std::size_t kParts = std::size_t{1} << kPartBits;

std::size_t partOf(std::uint32_t hash)
{
    return hash >> (32 - kPartBits);
}

// A name's hash: eight bytes at a time, one multiplication each, then mixed
// so that every byte reaches the high bits that parts and slots go by. Every
// proposal is hashed on every keystroke.
std::uint64_t hashName(std::string_view name)
{
    constexpr std::uint64_t kOdd = 0x9E3779B97F4A7C15u;
    std::uint64_t hash = name.size() * kOdd;
    const auto mixIn = [&hash](std::uint64_t word) {
        hash = (hash ^ word) * kOdd;
        hash ^= hash >> 32;
    };
    std::size_t at = 0;
    for (; at + sizeof(std::uint64_t) <= name.size(); at += sizeof(std::uint64_t)) {
        std::uint64_t word = 0;
        std::memcpy(&word, name.data() + at, sizeof word);
        mixIn(word);
    }
    if (at < name.size()) {
        // The last eight bytes, overlapping some already mixed in; a name
        // shorter than that byte by byte.
        std::uint64_t word = 0;
        if (name.size() >= sizeof word) {
            std::memcpy(&word, name.data() + name.size() - sizeof word, sizeof word);
        } else {
            for (std::size_t i = 0; i < name.size(); ++i)
                word |= std::uint64_t{static_cast<unsigned char>(name[i])} << (8 * i);
        }
        mixIn(word);
    }
    // MurmurHash3's finalizer.
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDu;
    hash ^= hash >> 33;
    hash *= 0xC4CEB9FE1A85EC53u;
    hash ^= hash >> 33;
    return hash;
}

std::size_t nextSlot(std::size_t slot, std::size_t size)
{
    return slot + 1 == size ? 0 : slot + 1;
}

// Room for `count` entries at a load of at most a half: most proposals are
// names nobody has, and a look-up that misses probes the longer the fuller
// the table is.
std::size_t slotsFor(std::size_t count)
{
    return 2 * count + 16;
}

} // namespace

std::uint32_t RowCueComputer::hashKey(std::uint32_t directory, std::string_view key) const
{
    std::uint64_t hash = hashName(key) + directory * 0x9E3779B97F4A7C15u;
    hash ^= hash >> 32;
    return static_cast<std::uint32_t>(hash);
}

std::string_view RowCueComputer::keyText(const Key& key) const
{
    switch (key.textSource) {
    case kEntryOfDirectory:
        return directories_[key.directory].names->names[key.text];
    case kRowFileName:
        return list_->cell(key.text + 1, ColumnKey::FileName);
    default:
        return foldedNames_[key.text];
    }
}

std::string_view RowCueComputer::compareForm(std::uint32_t directory, std::string_view name,
                                             std::string& buffer) const
{
    const DirectoryNames* names = directories_[directory].names;
    if (names == nullptr || !names->caseInsensitive)
        return name;
    foldCase(name, buffer);
    return buffer;
}

RowCueComputer::KeyNumber RowCueComputer::findKey(std::uint32_t directory, std::string_view key,
                                                  std::uint32_t hash) const
{
    for (std::size_t slot = homeSlot(hash, keySlots_.size());; slot = nextSlot(slot, keySlots_.size())) {
        const std::uint64_t entry = keySlots_[slot];
        if (entry == 0)
            return kNoKey;
        if (static_cast<std::uint32_t>(entry >> 32) != hash)
            continue;
        const auto number = static_cast<KeyNumber>((entry & 0xFFFFFFFFu) - 1);
        if (keys_[number].directory == directory && keyText(keys_[number]) == key)
            return number;
    }
}

bool RowCueComputer::anyKeyHashes(std::uint32_t hash) const
{
    for (std::size_t slot = homeSlot(hash, keySlots_.size());; slot = nextSlot(slot, keySlots_.size())) {
        const std::uint64_t entry = keySlots_[slot];
        if (entry == 0)
            return false;
        if (static_cast<std::uint32_t>(entry >> 32) == hash)
            return true;
    }
}

void RowCueComputer::placeSlot(std::vector<std::uint64_t>& slots, std::uint64_t entry)
{
    std::size_t slot = homeSlot(static_cast<std::uint32_t>(entry >> 32), slots.size());
    while (slots[slot] != 0)
        slot = nextSlot(slot, slots.size());
    slots[slot] = entry;
}

std::uint32_t RowCueComputer::firstRowOf(const Key& key) const
{
    switch (key.textSource) {
    case kRowFileName:
        return key.text + 1;
    case kFoldedName:
        return firstRowOfFolded_[key.text];
    default:
        return 0;
    }
}

RowCueComputer::KeyNumber RowCueComputer::addKey(const Key& key, std::uint32_t hash)
{
    const auto number = static_cast<KeyNumber>(keys_.size());
    keys_.push_back(key);
    if (slotsFor(keys_.size()) > keySlots_.size()) {
        // More keys than the table was made for: rows from folders that list
        // other files too. Twice the room, every entry placed again by its
        // hash, which the slot keeps.
        std::vector<std::uint64_t> grown(slotsFor(2 * keys_.size()), 0);
        for (const std::uint64_t entry : keySlots_) {
            if (entry != 0)
                placeSlot(grown, entry);
        }
        keySlots_ = std::move(grown);
    }
    placeSlot(keySlots_, static_cast<std::uint64_t>(hash) << 32 | (static_cast<std::uint64_t>(number) + 1));
    return number;
}

void RowCueComputer::prepare(const FileList& list, const DirectorySnapshot& snapshot)
{
    preparedRows_ = list.rowsRevision();
    preparedSnapshot_ = snapshot.revision();

    // One directory per path, however many folders of the list share it.
    directories_.clear();
    std::unordered_map<std::string_view, std::uint32_t> directoryOfPath;
    std::vector<std::uint32_t> directoryOfFolder(list.folderCount());
    std::size_t entries = 0;
    for (FileList::FolderNumber folder = 0; folder < list.folderCount(); ++folder) {
        const std::string_view path = list.folderPath(folder);
        const auto [found, added] = directoryOfPath.try_emplace(path, static_cast<std::uint32_t>(directories_.size()));
        if (added) {
            const DirectoryNames* names = snapshot.find(path);
            directories_.push_back({names});
            entries += names != nullptr ? names->names.size() : 0;
        }
        directoryOfFolder[folder] = found->second;
    }

    const std::size_t rowCount = list.rowCount();
    keys_.clear();
    foldedNames_ = {};
    firstRowOfFolded_.clear();
    nextRowNamedAlike_.clear();
    std::unordered_map<KeyNumber, std::uint32_t> lastRowOfKey; // of keys that more than one row has
    keys_.reserve(entries + rowCount);
    // Rows mostly come from the folders they live in, whose entries are then
    // the rows' own names: the table is made for the larger count and grows
    // where the two differ.
    keySlots_.assign(slotsFor(std::max(entries, rowCount)), 0);

    // Every row's old name first, so that the keys of rows that follow each
    // other follow each other too, and a keystroke reads them in order; the
    // first row with a name is the one that adds its key.
    rows_.resize(rowCount);
    for (std::size_t row = 1; row <= rowCount; ++row) {
        const std::uint32_t directory = directoryOfFolder[list.folderOf(row)];
        const DirectoryNames* names = directories_[directory].names;
        const std::string_view oldName = list.cell(row, ColumnKey::FileName);
        const std::string_view key = compareForm(directory, oldName, folded_);
        const std::uint32_t hash = hashKey(directory, key);
        KeyNumber number = findKey(directory, key, hash);
        if (number == kNoKey) {
            Key added{directory, kRowFileName, 0, static_cast<std::uint32_t>(row - 1)};
            if (names != nullptr && names->caseInsensitive) {
                added.textSource = kFoldedName;
                added.text = static_cast<std::uint32_t>(foldedNames_.size());
                foldedNames_.add(key);
                firstRowOfFolded_.push_back(static_cast<std::uint32_t>(row));
            }
            number = addKey(added, hash);
        } else {
            const auto last = lastRowOfKey.try_emplace(number, firstRowOf(keys_[number])).first;
            nextRowNamedAlike_[last->second] = static_cast<std::uint32_t>(row);
            last->second = static_cast<std::uint32_t>(row);
        }
        const bool folderReplaced = folderWasReplaced(list.origin(row).folder, names);
        const bool oldNameIsUtf8 = isValidUtf8(oldName);
        rows_[row - 1] = {directory, folderReplaced ? 1u : 0u, oldNameIsUtf8 ? 1u : 0u, number};
    }

    // Every name on disk, most of them already there as a row's old name;
    // where a directory lists one name twice (under two spellings of a
    // folder that ignores case) the last one's inode counts.
    for (std::uint32_t directory = 0; directory < directories_.size(); ++directory) {
        const DirectoryNames* names = directories_[directory].names;
        if (names == nullptr)
            continue;
        for (std::size_t entry = 0; entry < names->names.size(); ++entry) {
            const std::string_view key = compareForm(directory, names->names[entry], folded_);
            const std::uint32_t hash = hashKey(directory, key);
            KeyNumber number = findKey(directory, key, hash);
            if (number == kNoKey) {
                Key added{directory, kEntryOfDirectory, 1, static_cast<std::uint32_t>(entry)};
                if (names->caseInsensitive) {
                    added.textSource = kFoldedName;
                    added.text = static_cast<std::uint32_t>(foldedNames_.size());
                    foldedNames_.add(key);
                    firstRowOfFolded_.push_back(0);
                }
                number = addKey(added, hash);
            }
            keys_[number].onDisk = 1;
            keys_[number].inode = entry < names->inodes.size() ? names->inodes[entry] : 0;
        }
    }

    noteRows(list);
    keyStates_.assign(keys_.size(), KeyState{});
    run_ = 0;
}

RowCueComputer::KeyNumber RowCueComputer::keyOfEntry(std::uint32_t directory, std::uint32_t entry)
{
    const std::string_view key = compareForm(directory, directories_[directory].names->names[entry], folded_);
    return findKey(directory, key, hashKey(directory, key));
}

void RowCueComputer::noteRows(const FileList& list)
{
    notes_.clear();
    // A file a folder lists under two names, found by sorting the folder's
    // entries by inode: a rename by hard link that was killed before it
    // removed the old name leaves that. Each name of such a file is noted
    // with the next one (the last with the first), by the key of its name.
    std::unordered_map<KeyNumber, std::uint32_t> otherEntryOfKey;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> byInode; // inode, entry
    for (std::uint32_t directory = 0; directory < directories_.size(); ++directory) {
        const DirectoryNames* names = directories_[directory].names;
        if (names == nullptr)
            continue;
        byInode.clear();
        for (std::size_t entry = 0; entry < names->inodes.size(); ++entry) {
            if (names->inodes[entry] != 0 && names->kinds[entry] == EntryKind::File)
                byInode.emplace_back(names->inodes[entry], static_cast<std::uint32_t>(entry));
        }
        std::ranges::sort(byInode);
        for (std::size_t first = 0; first < byInode.size();) {
            std::size_t end = first + 1;
            while (end < byInode.size() && byInode[end].first == byInode[first].first)
                ++end;
            for (std::size_t at = first; end - first > 1 && at < end; ++at) {
                const std::uint32_t other = byInode[at + 1 == end ? first : at + 1].second;
                const KeyNumber number = keyOfEntry(directory, byInode[at].second);
                // Two spellings of one name, where case does not count, are one name.
                if (number != keyOfEntry(directory, other))
                    otherEntryOfKey[number] = other;
            }
            first = end;
        }
    }

    const SubItemIndex fileNameIndex = list.subItemIndex(ColumnKey::FileName);
    for (std::size_t row = 1; row <= list.rowCount(); ++row) {
        if (!otherEntryOfKey.empty()) {
            const auto other = otherEntryOfKey.find(rows_[row - 1].oldKey);
            if (other != otherEntryOfKey.end()) {
                notes_[static_cast<std::uint32_t>(row)] = {RowCueKind::SecondName, other->second};
                continue;
            }
        }
        if (nameBeforeTemporaryName(list.cell(row, fileNameIndex)))
            notes_[static_cast<std::uint32_t>(row)] = {RowCueKind::LeftUnderTemporaryName};
    }
}

std::string_view cuedName(const RowCue& cue, std::string_view fileName, const DirectoryNames* folder)
{
    switch (cue.kind) {
    case RowCueKind::LeftUnderTemporaryName:
        return nameBeforeTemporaryName(fileName).value_or(std::string_view{});
    case RowCueKind::SecondName:
        return folder != nullptr && cue.otherRow < folder->names.size() ? folder->names[cue.otherRow]
                                                                       : std::string_view{};
    default:
        return {};
    }
}

void RowCueComputer::startRun()
{
    if (++run_ == 0) { // after four billion runs the stamps wrap
        for (KeyState& state : keyStates_)
            state.run = 0;
        run_ = 1;
    }
}

void RowCueComputer::hashProposals(std::size_t first, std::size_t last)
{
    const SubItemIndex fileNameIndex = list_->subItemIndex(ColumnKey::FileName);
    const SubItemIndex newNameIndex = list_->subItemIndex(ColumnKey::NewName);
    std::string folded;
    for (std::size_t row = first; row <= last; ++row) {
        Proposal& proposal = proposals_[row - 1];
        const std::string_view newName = list_->cell(row, newNameIndex);
        if (newName.empty()) {
            proposal = {kNotLookedUp, 0};
            continue;
        }
        // The checks of the row alone run here, on every core, rather than
        // in the play, which takes one row at a time.
        const std::string_view oldName = list_->cell(row, fileNameIndex);
        const RowKeys& keys = rows_[row - 1];
        const DirectoryNames* names = directories_[keys.directory].names;
        const bool keepsName = newName == oldName;
        const std::string_view key = keepsName ? oldName : compareForm(keys.directory, newName, folded);
        const bool caseOnly
            = !keepsName && names != nullptr && names->caseInsensitive && key == keyText(keys_[keys.oldKey]);
        const CueRow cueRow{static_cast<std::uint32_t>(row), oldName, newName, names, keys.folderReplaced != 0,
                            keys.oldNameIsUtf8 != 0, false, keepsName};
        if (const RowCueKind failed = checkRowAlone(cueRow); failed != RowCueKind::Clean) {
            const std::uint32_t relation = keepsName ? kFailedKeepingName : caseOnly ? kFailedChangingCase : 0u;
            proposal = failedAlone(failed, relation);
            continue;
        }
        if (keepsName) {
            proposal = {kNotLookedUp, kNotLookedUpKeepingName};
            continue;
        }
        if (caseOnly) {
            proposal = {kCaseOnly, 0};
            continue;
        }
        proposal = {kNoKey, hashKey(keys.directory, key)};
    }
}

void RowCueComputer::sortByHash()
{
    // A counting sort, stable: within a part the rows stay in row order.
    // Each row looked up leaves its hash here, and its previousSame is
    // cleared for the look-ups.
    partStarts_.assign(kParts + 1, 0);
    for (const Proposal& proposal : proposals_) {
        if (proposal.key == kNoKey)
            ++partStarts_[partOf(proposal.previousSame) + 1];
    }
    for (std::size_t part = 1; part <= kParts; ++part)
        partStarts_[part] += partStarts_[part - 1];
    rowsByHash_.resize(partStarts_[kParts]);
    std::vector<std::uint32_t> next(partStarts_.begin(), partStarts_.end() - 1);
    for (std::size_t row = 1; row <= proposals_.size(); ++row) {
        Proposal& proposal = proposals_[row - 1];
        if (proposal.key == kNoKey) {
            rowsByHash_[next[partOf(proposal.previousSame)]++] = {static_cast<std::uint32_t>(row),
                                                                  proposal.previousSame};
            proposal.previousSame = 0;
        }
    }
}

void RowCueComputer::lookUpParts(std::size_t firstPart, std::size_t lastPart)
{
    const SubItemIndex newNameIndex = list_->subItemIndex(ColumnKey::NewName);
    std::string folded;
    std::string foldedOther;
    // The proposals of one part that are no key, by their hash: the last
    // row seen with each, to find the earlier row that proposed the same.
    struct Seen {
        std::uint32_t hash;
        std::uint32_t row;
    };
    std::vector<Seen> seen;
    // Most proposals are names no file has and no other row proposes, whose
    // look-up needs their hash alone: their text and folder are read only
    // where a hash is matched, and a proposal is written only where
    // something was found (the sort left it as no key, with no earlier row).
    // The key slot a row a few steps ahead will read is fetched already, so
    // that those reads overlap.
    constexpr std::size_t kAhead = 12;
    const std::size_t fetchedEnd = partStarts_[lastPart + 1];
    for (std::size_t part = firstPart; part <= lastPart; ++part) {
        const std::size_t begin = partStarts_[part];
        const std::size_t end = partStarts_[part + 1];
        seen.assign(2 * (end - begin) + 1, Seen{0, 0});
        for (std::size_t at = begin; at < end; ++at) {
            if (at + kAhead < fetchedEnd)
                __builtin_prefetch(&keySlots_[homeSlot(rowsByHash_[at + kAhead].hash, keySlots_.size())]);
            const auto [row, hash] = rowsByHash_[at];
            // The proposal's folder and its name as the folder compares
            // names, read once and only where needed.
            std::uint32_t directory = 0;
            std::string_view key;
            bool keyRead = false;
            const auto readName = [&] {
                if (!keyRead) {
                    directory = rows_[row - 1].directory;
                    key = compareForm(directory, list_->cell(row, newNameIndex), folded);
                    keyRead = true;
                }
                return key;
            };
            if (anyKeyHashes(hash)) {
                const std::string_view name = readName();
                const KeyNumber number = findKey(directory, name, hash);
                if (number != kNoKey) {
                    proposals_[row - 1].key = number;
                    touch(number);
                    continue;
                }
            }
            // Every hash of the part starts with the same bits: the rest place it.
            std::size_t slot = homeSlot(hash << kPartBits, seen.size());
            for (;; slot = nextSlot(slot, seen.size())) {
                Seen& earlier = seen[slot];
                if (earlier.row == 0) {
                    earlier = {hash, row};
                    break;
                }
                if (earlier.hash != hash)
                    continue;
                const std::string_view name = readName();
                if (rows_[earlier.row - 1].directory == directory
                    && compareForm(directory, list_->cell(earlier.row, newNameIndex), foldedOther) == name) {
                    proposals_[row - 1].previousSame = earlier.row;
                    earlier.row = row;
                    break;
                }
            }
        }
    }
}

RowRange RowCueComputer::compute(const FileList& list, const DirectorySnapshot& snapshot, std::vector<RowCue>& cues,
                                 const std::vector<std::uint8_t>& patternMissed)
{
    list_ = &list;
    if (list.rowsRevision() != preparedRows_ || snapshot.revision() != preparedSnapshot_)
        prepare(list, snapshot);
    startRun();

    // Every proposal is looked up first; then the rows that stand alone are
    // played, and the batch is played in the order it takes the rows.
    const std::size_t rowCount = list.rowCount();
    proposals_.resize(rowCount);
    const unsigned workers = stretchCount(rowCount, kLeastRowsPerStretch);
    workInStretches(1, rowCount, workers,
                    [this](std::size_t first, std::size_t last, unsigned) { hashProposals(first, last); });
    sortByHash();
    workInStretches(1, kParts, stretchCount(rowsByHash_.size(), kLeastRowsPerStretch),
                    [this](std::size_t first, std::size_t last, unsigned) { lookUpParts(first - 1, last - 1); });

    const std::size_t kept = std::min(cues.size(), rowCount);
    cues.resize(rowCount);
    holders_.resize(rowCount);
    std::vector<RowRange> changedBy(std::max(1u, workers));
    workInStretches(1, rowCount, workers, [&](std::size_t first, std::size_t last, unsigned worker) {
        changedBy[worker].include(playLoneRows(first, last, cues, kept, patternMissed));
    });
    RowRange changed = playRows(list, cues, kept, patternMissed);
    for (const RowRange& byWorker : changedBy)
        changed.include(byWorker);
    return changed;
}

} // namespace renamer
