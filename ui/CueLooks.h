#pragma once

#include "RowCue.h"

#include <QColor>

#include <cstdint>

namespace renamer {

// How the list shows a row's cue beside its reason (the tooltip, and the
// cells' accessible description). Colours are what the cue asks for; the
// drawing makes each read on what is behind it.
struct CueLook {
    enum class Cells : std::uint8_t {
        NewName,  // only the proposal
        WholeRow, // every cell of the row
    };
    QColor ink;                   // invalid: the palette's text colour
    Cells cells = Cells::NewName; // the cells that take the ink and the slant
    bool slanted = false;         // a proposal that differs in kind leans
    // The proposal is underlined with a wave, which shows without its colour
    // and on a selected row, where the selection's colours replace the ink.
    bool marked = false;

    bool appliesTo(bool newNameCell) const { return cells == Cells::WholeRow || newNameCell; }
};

// The look of a cue kind; a kind the table lacks looks clean.
const CueLook& cueLook(RowCueKind kind);

} // namespace renamer
