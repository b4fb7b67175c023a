#pragma once

namespace platform {
// Has every block of 2 MB or more the program allocates mapped on its own; called first thing.
// By default the allocator raises that size to the largest block freed so far, so once a long
// note had been read, the preview's tables of up to that size were kept in the heap, and each
// time one doubled it was copied whole into fresh memory, a turn of 20-40 ms of page faults on a
// virtual machine. Mapped on its own a block grows by being mapped anew, and freed it is given
// back at once.
void mapLargeBlocksApart();

} // namespace platform
