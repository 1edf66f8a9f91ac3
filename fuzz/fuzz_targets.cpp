// The bodies of the fuzz targets, shared with the regression tests that replay what they found.
#include "fuzz/fuzz_targets.h"

#include <string>

#include "codec/jpeg_decoder.h"
#include "codec/jpeg_encoder.h"
#include "codec/jpeg_image_file.h"
#include "imagefile/bitmap_file.h"
#include "platform/memfile.h"

void FuzzBitmapToJpeg(const std::uint8_t* data, std::size_t size) {
    CMemFile input(std::string(reinterpret_cast<const char*>(data), size));
    CMemFile output;
    COXBitmapFile bitmap(&input);
    COXJPEGImageFile jpeg(&output);
    COXJPEGEncoder encoder;
    try {
        encoder.DoCompress(&bitmap, &jpeg);
    } catch (COXJPEGException* e) {
        e->Delete();
    }
}

void FuzzJpegToBitmap(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t nOptions = size > 0 ? data[size - 1] : 0;
    CMemFile input(std::string(reinterpret_cast<const char*>(data), size));
    CMemFile output;
    COXJPEGImageFile jpeg(&input);
    COXBitmapFile bitmap(&output);
    bitmap.SetOS2Format(nOptions & 1);
    COXJPEGDecoder decoder;
    if (nOptions & 2)
        decoder.SetColors(1 + (nOptions >> 3) * 8);
    decoder.SetGrayscale((nOptions & 4) != 0);
    decoder.SetScale(1 + ((nOptions >> 5) & 3));
    // A few bytes may declare a picture of gigabytes; the fuzzer's memory is limited.
    decoder.SetMaxMemory(256 * 1000);
    try {
        decoder.DoDecompress(&jpeg, &bitmap);
    } catch (COXJPEGException* e) {
        e->Delete();
    }
}
