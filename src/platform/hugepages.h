#pragma once

#include <QtGlobal>

namespace platform {
// Asks the system to back the parts of [data, data + length) that span whole huge pages with
// huge pages, for a buffer about to be written whole. Each page of fresh memory costs a fault
// when first touched, and in a virtual machine a fault of a small page can take 10 µs: writing
// a long note's 7 MB of UTF-8 took 15 ms of faults, and its huge pages fault 500 times less
// often. A hint only: where the system has no huge pages nothing changes.
void adviseHugePages(void *data, qsizetype length);
} // namespace platform
