#pragma once

namespace memory {

// glibc gives a large block a mapping of its own only until the first such block is freed; from
// then on it raises that threshold, up to 32 MB, and carves a long note's large buffers (its text,
// the parser's block list, the preview's layouts) out of the heap, where each one that grows
// leaves a hole the heap never gives back. Holding the threshold where it starts keeps every
// large buffer in its own mapping, returned whole when it is freed. Call before the first window.
void keepLargeBlocksMapped();

} // namespace memory
