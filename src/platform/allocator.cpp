#include "platform/allocator.h"

#include <cstdlib> // defines __GLIBC__ where glibc is the C library

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace platform {

namespace {

constexpr int largeBlockBytes = 2 * 1024 * 1024;

} // namespace

void mapLargeBlocksApart()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, largeBlockBytes);
#endif
}

} // namespace platform
