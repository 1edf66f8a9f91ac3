// The bodies of the fuzz targets, shared with the regression tests that replay what they found.
#include "fuzz/fuzz_targets.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <csetjmp>
#include <string>
#include <vector>

#include "codec/exif.h"
#include "codec/jpeg_decoder.h"
#include "codec/jpeg_encoder.h"
#include "codec/jpeg_image_file.h"
#include "imagefile/any_bitmap_file.h"
#include "imagefile/bitmap_file.h"
#include "filespec/path_spec.h"
#include "imagefile/bitmap_layout.h"
#include "imagefile/dib/dib.h"
#include "imagefile/oriented_bitmap.h"
#include "platform/memfile.h"

namespace {

// Compresses data read by a bitmap reader of type Reader; every outcome but a crash is fine.
template <typename Reader>
void CompressThrough(const std::uint8_t* data, std::size_t size) {
    CMemFile input(std::string(reinterpret_cast<const char*>(data), size));
    CMemFile output;
    Reader bitmap(&input);
    bitmap.SetKeepProfile(TRUE);  // a version-5 header's profile read as tarnel-cli reads it
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

// Whether data holds a bitmap whose picture the fuzzer's memory would not hold comfortably: a
// run-length picture is held decoded, and a few bytes may declare a quarter of a gigapixel, which
// the readers take but which would only slow the fuzzer down.
bool DeclaresHugeBitmap(const std::uint8_t* data, std::size_t size) {
    BitmapLayout layout;
    const int nCode = ReadBitmapLayout(data, size, BitmapRules::Every, layout);
    return nCode == 0 && static_cast<double>(layout.nWidth) * layout.nHeight > 16.0 * 1024 * 1024;
}

void FuzzAnyBitmapToJpeg(const std::uint8_t* data, std::size_t size) {
    if (!DeclaresHugeBitmap(data, size))
        CompressThrough<COXAnyBitmapFile>(data, size);
}

namespace {

// What the preview and transform do with a DIB they read.
void WorkOn(COXDIB& dib) {
    const CSize size = dib.GetSize();
    dib.Rotate(90, FALSE, TRUE);
    dib.Resize(size.cx / 2 + 1, size.cy / 3 + 1);
    CMemFile output;
    dib.Write(&output);
}

}  // namespace

void FuzzDib(const std::uint8_t* data, std::size_t size) {
    const std::string sBytes(reinterpret_cast<const char*>(data), size);
    if (!DeclaresHugeBitmap(data, size)) {
        CMemFile file(sBytes);
        COXDIB dib;
        if (dib.Read(&file))
            WorkOn(dib);
    }
    // The object form: a class tag, then a whole bitmap file.
    if (size > 12 && DeclaresHugeBitmap(data + 12, size - 12))
        return;
    CMemFile archived(sBytes);
    try {
        CArchive ar(&archived, CArchive::load);
        COXDIB* pDib = nullptr;
        ar >> pDib;
        if (pDib != nullptr)
            WorkOn(*pDib);
        delete pDib;
    } catch (CException* e) {
        e->Delete();
    }
}

void FuzzPathRecords(const std::uint8_t* data, std::size_t size) {
    CMemFile file(std::string(reinterpret_cast<const char*>(data), size));
    // A later record may refer back to an object read before: each is deleted once, at the end.
    std::set<CObject*> objects;
    try {
        CArchive ar(&file, CArchive::load);
        for (int i = 0; i < 8; ++i) {
            CObject* pObject = ar.ReadObject(nullptr);
            objects.insert(pObject);
            if (auto* pDirectory = dynamic_cast<COXDirSpec*>(pObject))
                pDirectory->GetDirectory();
            if (auto* pFile = dynamic_cast<COXFileSpec*>(pObject))
                pFile->GetFileName();
        }
    } catch (CException* e) {
        e->Delete();
    }
    for (CObject* pObject : objects)
        delete pObject;
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

void FuzzExifAndOrientation(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return;
    const int nChoice = data[0];
    ++data, --size;
    if (nChoice % 3 == 0) {
        ExifOrientation(data, size);
        std::vector<COXJPEGDecoder::Marker> segments;
        if (ReadHeaderExif(data, size, segments))
            OrientationOf(segments);
        return;
    }
    if (nChoice % 3 == 1) {
        // APP2 segments, each led by its length.
        std::vector<COXJPEGDecoder::Marker> markers;
        for (std::size_t i = 0; i < size;) {
            const std::size_t n = std::min<std::size_t>(data[i], size - i - 1);
            markers.push_back({JPEG_APP0 + 2, std::vector<BYTE>(data + i + 1, data + i + 1 + n)});
            i += n + 1;
        }
        std::vector<BYTE> profile;
        JoinIccProfile(markers, profile);
        return;
    }
    CMemFile source(std::string(reinterpret_cast<const char*>(data), size));
    CMemFile dest;
    const std::vector<BYTE> profile(nChoice % 5, 7);
    try {
        WriteOriented(source, 1 + (nChoice / 3) % 8, dest, profile.empty() ? nullptr : &profile);
    } catch (CException* e) {
        e->Delete();
    }
}
