// libFuzzer entry: archives of path objects loaded through their classes.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzPathRecords(data, size);
    return 0;
}
