#pragma once

#include <cstdint>

namespace renamer {

// What pressing the rename button would do with a row, seen before it is
// pressed. isError() tells the kinds that would stop the batch at that row.
enum class RowCueKind : std::uint8_t {
    Clean,               // no proposal, or a rename that would succeed
    MovesAfterRow,       // would succeed once the file of another row has left the name
    RotatesWithRow,      // would succeed: its file and others' trade names in one step
    Unchanged,           // the proposal is the name the file already has
    StaleProposal,       // would rename, but the current pattern does not match the name
    NameNotUtf8,         // no proposal: no pattern can match a name that is not UTF-8 text
    InvalidName,         // contains "/" or NUL, or is "." or ".."
    NameTooLong,         // longer than the directory allows, counted in its volume's unit
    NotAWindowsName,     // a name Windows volumes refuse or Windows could not open (refusalOf says why)
    ReadOnlyVolume,      // the folder lies on a volume mounted read-only
    NoWriteRights,       // the user may not rename files in the folder
    TakenOnDisk,         // another entry of the directory has the name
    TakenByEarlierRow,   // an earlier row, once renamed, would hold the name
    BlockedByRow,        // the file of another row holds the name, and that row would fail
    SourceGone,          // the file no longer has its old name
    RenamedByEarlierRow, // an earlier row of the same file would rename it first
    SourceReplaced,      // the old name belongs to another file now
    FolderReplaced,      // the row's folder path names another folder now
    InDocumentPortal,    // the file came through a document portal that does not say where it lives
    // What a killed batch may leave, shown on a row that would otherwise be
    // clean, so that the user can put it right.
    LeftUnderTemporaryName, // the old name is a temporary name (TemporaryName.h) of the name it had
    SecondName,             // the folder lists the file under another name too (otherRow)
};

struct RowCue {
    RowCueKind kind = RowCueKind::Clean;
    // The other row it names, where it names one; for SecondName, the
    // number of the other name among the entries of the row's folder as read
    // (FolderListing::names).
    std::uint32_t otherRow = 0;

    // Whether the batch would stop at this row.
    bool isError() const
    {
        switch (kind) {
        case RowCueKind::Clean:
        case RowCueKind::MovesAfterRow:
        case RowCueKind::RotatesWithRow:
        case RowCueKind::Unchanged:
        case RowCueKind::StaleProposal:
        case RowCueKind::NameNotUtf8: // the batch skips a row without a proposal
        case RowCueKind::LeftUnderTemporaryName:
        case RowCueKind::SecondName:
            return false;
        case RowCueKind::InvalidName:
        case RowCueKind::NameTooLong:
        case RowCueKind::NotAWindowsName:
        case RowCueKind::ReadOnlyVolume:
        case RowCueKind::NoWriteRights:
        case RowCueKind::TakenOnDisk:
        case RowCueKind::TakenByEarlierRow:
        case RowCueKind::BlockedByRow:
        case RowCueKind::SourceGone:
        case RowCueKind::RenamedByEarlierRow:
        case RowCueKind::SourceReplaced:
        case RowCueKind::FolderReplaced:
        case RowCueKind::InDocumentPortal:
            return true;
        }
        return true;
    }
    bool operator==(const RowCue&) const = default;
};

} // namespace renamer
