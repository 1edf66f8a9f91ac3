// libFuzzer entry: Exif data read for its orientation, and bitmaps turned as it says.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzExifAndOrientation(data, size);
    return 0;
}
