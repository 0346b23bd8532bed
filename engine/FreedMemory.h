#pragma once

namespace renamer {

// Hands the pages of the heap that lie free back to the system, where the C
// library offers it (glibc's malloc_trim); elsewhere does nothing. After a
// large drop, the temporaries of reading the folders lie free in the heap in
// pieces too small for what the rows allocate next, and would stay resident.
void returnFreedMemory();

} // namespace renamer
