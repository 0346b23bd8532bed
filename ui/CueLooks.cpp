#include "CueLooks.h"

#include <utility>

namespace renamer {

namespace {

// A proposal that changes nothing is faint: grey, as far as it still reads.
const QColor kUnchangedInk(0x90, 0x90, 0x90);
const QColor kStaleInk(0xA0, 0x5A, 0x00);
// A file a killed batch may have left odd: it renames cleanly, but its name
// asks for a look.
const QColor kLeftoverInk(0x00, 0x55, 0xAA);
// A row that would stop the batch.
const CueLook kClean{};
const CueLook kError{QColor(0xC0, 0x00, 0x00), CueLook::Cells::WholeRow, false, true};

const std::pair<RowCueKind, CueLook> kLooks[] = {
    {RowCueKind::Clean, kClean},
    // Rows the batch takes out of list order rename as cleanly; the tooltip
    // says after which row, or with which rows.
    {RowCueKind::MovesAfterRow, kClean},
    {RowCueKind::RotatesWithRow, kClean},
    {RowCueKind::Unchanged, {kUnchangedInk, CueLook::Cells::NewName, false, false}},
    {RowCueKind::StaleProposal, {kStaleInk, CueLook::Cells::NewName, true, false}},
    // Such a row never has a proposal; its reason is in the tooltip and the
    // delegate marks the characters that do not decode.
    {RowCueKind::NameNotUtf8, kClean},
    {RowCueKind::InvalidName, kError},
    {RowCueKind::NameTooLong, kError},
    {RowCueKind::NotAWindowsName, kError},
    {RowCueKind::ReadOnlyVolume, kError},
    {RowCueKind::NoWriteRights, kError},
    {RowCueKind::TakenOnDisk, kError},
    {RowCueKind::TakenByEarlierRow, kError},
    {RowCueKind::BlockedByRow, kError},
    {RowCueKind::SourceGone, kError},
    {RowCueKind::RenamedByEarlierRow, kError},
    {RowCueKind::SourceReplaced, kError},
    {RowCueKind::FolderReplaced, kError},
    {RowCueKind::InDocumentPortal, kError},
    {RowCueKind::LeftUnderTemporaryName, {kLeftoverInk, CueLook::Cells::WholeRow, false, false}},
    {RowCueKind::SecondName, {kLeftoverInk, CueLook::Cells::WholeRow, false, false}},
};

} // namespace

const CueLook& cueLook(RowCueKind kind)
{
    for (const auto& [listed, look] : kLooks) {
        if (listed == kind)
            return look;
    }
    return kClean;
}

} // namespace renamer
