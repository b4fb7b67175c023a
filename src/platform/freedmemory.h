#pragma once

namespace platform {

// Hands the heap's free pages back to the system. A buffer that grows by doubling leaves each
// old buffer behind as a hole that the allocator keeps resident; for a long note those holes
// add up to tens of megabytes that nothing refills.
void giveBackFreedMemory();

} // namespace platform
