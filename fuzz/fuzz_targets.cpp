// The bodies of the fuzz targets, shared with the regression tests that replay what they found.
#include "fuzz/fuzz_targets.h"

#include <algorithm>
#include <cstring>
#include <csetjmp>
#include <string>

#include "codec/jpeg_decoder.h"
#include "codec/jpeg_encoder.h"
#include "codec/jpeg_image_file.h"
#include "imagefile/any_bitmap_file.h"
#include "imagefile/bitmap_file.h"
#include "imagefile/bitmap_layout.h"
#include "platform/memfile.h"

namespace {

// Compresses data read by a bitmap reader of type Reader; every outcome but a crash is fine.
template <typename Reader>
void CompressThrough(const std::uint8_t* data, std::size_t size) {
    CMemFile input(std::string(reinterpret_cast<const char*>(data), size));
    CMemFile output;
    Reader bitmap(&input);
    COXJPEGImageFile jpeg(&output);
    COXJPEGEncoder encoder;
    try {
        encoder.DoCompress(&bitmap, &jpeg);
    } catch (COXJPEGException* e) {
        e->Delete();
    }
}

}  // namespace

void FuzzBitmapToJpeg(const std::uint8_t* data, std::size_t size) {
    CompressThrough<COXBitmapFile>(data, size);
}

void FuzzAnyBitmapToJpeg(const std::uint8_t* data, std::size_t size) {
    // A run-length picture is held decoded; a few bytes may declare a quarter of a gigapixel,
    // which the reader takes but which would only slow the fuzzer down.
    std::size_t nRead = 0;
    BitmapLayout layout;
    const int nCode = ReadBitmapLayout(
        [&](BYTE* p, UINT n) {
            const auto nCopied = static_cast<UINT>(std::min<std::size_t>(n, size - nRead));
            std::memcpy(p, data + nRead, nCopied);
            nRead += nCopied;
            return nCopied;
        },
        BitmapRules::Every, layout);
    if (nCode == 0 && static_cast<double>(layout.nWidth) * layout.nHeight > 16.0 * 1024 * 1024)
        return;
    CompressThrough<COXAnyBitmapFile>(data, size);
}

namespace {

// libjpeg holds a whole picture in memory, as it must for a real one, and a few bytes can
// declare one of gigabytes; the fuzzer's memory is limited, so such inputs are not decoded here.
constexpr double kMaxFuzzSamples = 16.0 * 1024 * 1024;

struct HeaderProbe {
    jpeg_error_mgr err;
    std::jmp_buf jump;
};

void ProbeErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<HeaderProbe*>(cinfo->err)->jump, 1);
}

void ProbeQuietly(j_common_ptr) {}

// Whether the picture the header declares stays within the fuzzer's means. An unreadable
// header does: the run itself reports it.
bool DeclaresModestPicture(const std::uint8_t* data, std::size_t size) {
    jpeg_decompress_struct cinfo{};
    HeaderProbe probe{};
    cinfo.err = jpeg_std_error(&probe.err);
    probe.err.error_exit = ProbeErrorExit;
    probe.err.output_message = ProbeQuietly;
    if (setjmp(probe.jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        return true;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    const double nSamples =
        static_cast<double>(cinfo.image_width) * cinfo.image_height * cinfo.num_components;
    jpeg_destroy_decompress(&cinfo);
    return nSamples <= kMaxFuzzSamples;
}

}  // namespace

void FuzzJpegToBitmap(const std::uint8_t* data, std::size_t size) {
    if (!DeclaresModestPicture(data, size))
        return;
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
    // A limit is kept but never fails a run that fits in memory.
    decoder.SetMaxMemory(256 * 1000);
    try {
        decoder.DoDecompress(&jpeg, &bitmap);
    } catch (COXJPEGException* e) {
        e->Delete();
    }
}
