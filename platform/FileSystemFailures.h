#pragma once

#include "Failure.h"

#include <optional>
#include <string_view>

namespace renamer {

// Every failure the file-system layer reports, with the text the user reads.
// A kind's usual text is the engine's (failureOf); the texts here are the
// layer's own.

// The failure of a system call that set `error`: of its kind, with a short
// Chinese phrase for the failures a rename meets, the system's own message
// otherwise.
Failure failureOfErrno(int error);

// The failure of a move that failed with `error` because of its new name,
// whatever the errno's usual meaning (FUSE drivers answer a name they cannot
// store with EINVAL, ENOENT, EPERM, EILSEQ or EBADMSG): the rule `refusal`
// that the name breaks, naming the character where there is one, or, where
// no known rule explains it, the errno's meaning for a name.
Failure refusedNameFailure(int error, const std::optional<NameRefusal>& refusal);

// A file was asked for and a folder found, or the other way round.
Failure notAFileFailure();
Failure notAFolderFailure();

// A new name no folder holds ("." or one with "/"), or a destination outside
// the file's folder; `refusal` is the rule the name breaks, where one does.
Failure invalidNameFailure(const std::optional<NameRefusal>& refusal);

// The volume took the rename but lists no entry the new name could have become.
Failure lostAfterMoveFailure();

// fusefat stores printable ASCII only.
Failure onlyAsciiOnThisDriverFailure();

// A file of a sandboxed application's document portal whose host file is
// unknown (DocumentPortal.h): renaming it there would not rename the file.
Failure unmappedDocumentFailure();

} // namespace renamer
