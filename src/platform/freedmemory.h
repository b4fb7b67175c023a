#pragma once

namespace platform {

// Hands the heap's free pages back to the system. The allocator keeps freed memory resident:
// a buffer that grows by doubling leaves each old buffer behind as a hole, and a long note's
// copies, freed after a pause in typing, leave theirs; for a long note those holes add up to
// tens of megabytes that nothing refills.
void giveBackFreedMemory();
// Less freed memory than this is not worth giving back at once: it costs about a millisecond
// with a long note open.
inline constexpr long long worthGivingBackBytes = 1024 * 1024;

} // namespace platform
