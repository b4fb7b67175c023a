#include "platform/memory.h"

#include <malloc.h>

namespace memory {

void keepLargeBlocksMapped()
{
    // glibc's own starting value; setting it at all is what stops the raising.
    constexpr int threshold = 128 * 1024;
    mallopt(M_MMAP_THRESHOLD, threshold);
}

} // namespace memory
