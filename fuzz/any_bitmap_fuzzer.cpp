// libFuzzer entry: bitmaps of every layout through the encoder.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzAnyBitmapToJpeg(data, size);
    return 0;
}
