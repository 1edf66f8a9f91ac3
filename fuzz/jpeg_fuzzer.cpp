// libFuzzer entry: JPEG through the decoder into a bitmap.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzJpegToBitmap(data, size);
    return 0;
}
