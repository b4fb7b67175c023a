#include "fuzzchecks.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// One libFuzzer target; PENWICK_FUZZ_CHECK names the check from fuzzchecks.h that it runs. A
// fault that is no crash aborts, so libFuzzer keeps the input that showed it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString fault = fuzz::PENWICK_FUZZ_CHECK(
        QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!fault.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(fault));
        std::abort();
    }
    return 0;
}
