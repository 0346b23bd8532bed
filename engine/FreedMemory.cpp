#include "FreedMemory.h"

#include <cstdlib> // defines __GLIBC__ where it is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace renamer {

void returnFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace renamer
