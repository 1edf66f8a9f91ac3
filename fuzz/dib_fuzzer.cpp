// libFuzzer entry: BMP files and archived objects into COXDIB, then its pixel operations.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzDib(data, size);
    return 0;
}
