#include "platform/hugepages.h"

#include <sys/mman.h>

#include <cstdint>

namespace platform {

namespace {

// The size of the huge pages of x86-64 and of arm64 with 4 KB pages.
constexpr std::uintptr_t hugePageSize = 2 * 1024 * 1024;

} // namespace

void adviseHugePages(void *data, qsizetype length)
{
#ifdef MADV_HUGEPAGE
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + hugePageSize - 1) & ~(hugePageSize - 1);
    const std::uintptr_t last = (start + std::uintptr_t(length)) & ~(hugePageSize - 1);
    if (last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(length);
#endif
}

} // namespace platform
