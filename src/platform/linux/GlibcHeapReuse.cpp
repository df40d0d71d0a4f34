#include "platform/HeapReuse.h"

#include <cstdlib> // defines __GLIBC__ where it applies

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace quorvel::platform {

void keepFreedHeapForReuse()
{
#if defined(__GLIBC__)
    // glibc hands back the top of the heap once 128 kB of it is free, and
    // serves large blocks (a list of 50,000 names is 1.2 MB) straight from
    // mmap, unmapping them when freed. Up to the largest threshold it allows,
    // both stay in the heap. Setting them fixes them, which is the point: the
    // default adapts, but only after blocks have been unmapped once.
    constexpr int keep = 32 * 1024 * 1024;
    mallopt(M_MMAP_THRESHOLD, keep);
    mallopt(M_TRIM_THRESHOLD, keep);
#endif
}

} // namespace quorvel::platform
