// libFuzzer entry: Exif data read for its orientation, colour profiles joined, and bitmaps turned
// as an orientation says.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzExifAndOrientation(data, size);
    return 0;
}
