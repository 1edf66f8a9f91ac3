// The test bitmaps: every layout, and the hostile files.
#include "tests/support/bitmap_cases.h"

#include <cstdint>

#include "imagefile/bitmap_codes.h"
#include "libjpeg/libjpeg.h"

namespace {

// An odd width: padded rows and half-filled bytes. A resolution wherever the header has room.
BmpShape Shape(int nInfoSize, int nBits, unsigned nCompression = 0) {
    BmpShape shape = ShapeOf(nInfoSize, 11, 6, nBits, nCompression);
    shape.nXPelsPerMeter = shape.nYPelsPerMeter = 2835;
    return shape;
}

template <typename Change>
BmpShape With(BmpShape shape, Change change) {
    change(shape);
    return shape;
}

}  // namespace

std::vector<BitmapLayoutCase> EveryBitmapLayout() {
    const std::vector<std::uint32_t> k444 = {0xF00, 0x0F0, 0x00F};
    const std::vector<std::uint32_t> k10Bit = {0x3FF00000, 0x000FFC00, 0x000003FF};
    const std::vector<std::uint32_t> kRGBA = {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF};
    return {
        {"1-bit", Shape(40, 1), BMP_ERR_BIT_COUNT},
        {"1-bit OS/2 1.x", Shape(12, 1), BMP_ERR_BIT_COUNT},
        {"4-bit", Shape(40, 4), BMP_ERR_BIT_COUNT},
        {"4-bit, 9 colours", With(Shape(40, 4), [](BmpShape& s) { s.nColors = 9; }),
         BMP_ERR_BIT_COUNT},
        {"4-bit, a table of 17 colours", With(Shape(40, 4), [](BmpShape& s) { s.nColors = 17; }),
         BMP_ERR_BIT_COUNT},
        {"4-bit OS/2 2.x, 16-byte header", Shape(16, 4), BMP_ERR_HEADER},
        {"4-bit OS/2 2.x, 64-byte header", Shape(64, 4), BMP_ERR_BIT_COUNT},
        {"8-bit", Shape(40, 8), 0},
        {"8-bit grey", With(Shape(40, 8), [](BmpShape& s) { s.bGreyPalette = true; }), 0},
        {"8-bit OS/2 1.x", Shape(12, 8), 0},
        {"8-bit OS/2 2.x, 64-byte header", Shape(64, 8), 0},
        {"8-bit top-down", With(Shape(40, 8), [](BmpShape& s) { s.bTopDown = true; }),
         BMP_ERR_HEADER},
        {"8-bit, 124-byte header", Shape(124, 8), BMP_ERR_HEADER},
        {"8-bit, a table of 300 colours", With(Shape(40, 8), [](BmpShape& s) { s.nColors = 300; }),
         BMP_ERR_COLORMAP},
        {"16-bit 5-5-5", Shape(40, 16), BMP_ERR_BIT_COUNT},
        {"16-bit 5-6-5, masks after the header", Shape(40, 16, 3), BMP_ERR_BIT_COUNT},
        {"16-bit 5-6-5, 108-byte header", Shape(108, 16, 3), BMP_ERR_HEADER},
        {"16-bit 4-4-4", With(Shape(40, 16, 3), [&](BmpShape& s) { s.masks = k444; }),
         BMP_ERR_BIT_COUNT},
        {"24-bit", Shape(40, 24), 0},
        {"24-bit OS/2 1.x", Shape(12, 24), 0},
        {"24-bit top-down", With(Shape(40, 24), [](BmpShape& s) { s.bTopDown = true; }),
         BMP_ERR_HEADER},
        {"24-bit, 56-byte header", Shape(56, 24), BMP_ERR_HEADER},
        {"24-bit, 124-byte header", Shape(124, 24), BMP_ERR_HEADER},
        {"24-bit, 16 bytes of padding counted in the image size",
         With(Shape(40, 24), [](BmpShape& s) { s.nSlack = 16; }), 0},
        {"24-bit, a gap before the pixels", With(Shape(40, 24), [](BmpShape& s) { s.nGap = 21; }),
         0},
        {"32-bit", Shape(40, 32), BMP_ERR_BIT_COUNT},
        {"32-bit masks, 52-byte header", Shape(52, 32, 3), BMP_ERR_HEADER},
        {"32-bit masks, 56-byte header", Shape(56, 32, 3), BMP_ERR_HEADER},
        {"32-bit 10-bit masks", With(Shape(40, 32, 3), [&](BmpShape& s) { s.masks = k10Bit; }),
         BMP_ERR_BIT_COUNT},
        {"32-bit alpha bit fields", With(Shape(40, 32, 6), [&](BmpShape& s) { s.masks = kRGBA; }),
         BMP_ERR_BIT_COUNT},
        {"32-bit RGBA masks, 124-byte header",
         With(Shape(124, 32, 3), [&](BmpShape& s) { s.masks = kRGBA; }), BMP_ERR_HEADER},
        {"run-length 8-bit", Shape(40, 8, 1), BMP_ERR_COMPRESSED},
        {"run-length 4-bit", Shape(40, 4, 2), BMP_ERR_BIT_COUNT},
        {"run-length with a row skipped by a move",
         With(Shape(40, 8, 1),
              [](BmpShape& s) { s.indexAt = [](int x, int y) { return y == 2 ? 0 : x; }; }),
         BMP_ERR_COMPRESSED},
    };
}

std::vector<HostileBitmapCase> HostileBitmaps() {
    const std::string s8 = BuildBmp(Shape(40, 8));
    const std::string s24 = BuildBmp(Shape(40, 24));
    const std::string sOS2 = BuildBmp(Shape(12, 8));
    const std::string sRle = BuildBmp(Shape(40, 8, 1));
    std::string sIndexBeyond = BuildBmp(With(Shape(40, 8), [](BmpShape& s) { s.nColors = 16; }));
    sIndexBeyond[sIndexBeyond.size() - 4] = static_cast<char>(200);
    std::string sStretchBeyond = sRle;
    sStretchBeyond[14 + 40 + 256 * 4 + 1] = 40;
    return {
        {"not BM", "BA" + s8.substr(2), BMP_ERR_NOT_BMP, BMP_ERR_NOT_BMP},
        {"cut in the header", s8.substr(0, 30), JERR_INPUT_EOF, JERR_INPUT_EOF},
        {"cut in the colour table", s8.substr(0, 300), JERR_INPUT_EOF, JERR_INPUT_EOF},
        {"cut in the pixels", s8.substr(0, s8.size() - 1), JERR_INPUT_EOF, JERR_INPUT_EOF},
        {"offset inside the colour table", WithLE32(s8, 10, 14 + 40 + 100), BMP_ERR_HEADER,
         BMP_ERR_HEADER},
        {"OS/2 offset inside its 768-byte table", WithLE32(sOS2, 10, 26 + 700), BMP_ERR_HEADER,
         BMP_ERR_HEADER},
        {"offset inside the headers", WithLE32(s8, 10, 20), BMP_ERR_HEADER, BMP_ERR_HEADER},
        {"offset beyond the end", WithLE32(s24, 10, 100000), JERR_INPUT_EOF, JERR_INPUT_EOF},
        {"header length 8", WithLE32(s8, 14, 8), BMP_ERR_HEADER, BMP_ERR_HEADER},
        {"header length 65", WithLE32(s8, 14, 65), BMP_ERR_HEADER, BMP_ERR_HEADER},
        {"header length 200", WithLE32(s8, 14, 200), BMP_ERR_HEADER, BMP_ERR_HEADER},
        {"2 bits per pixel", WithLE16(s8, 28, 2), BMP_ERR_BIT_COUNT, BMP_ERR_BIT_COUNT},
        {"3 bits per pixel", WithLE16(s8, 28, 3), BMP_ERR_BIT_COUNT, BMP_ERR_BIT_COUNT},
        {"planes 2", WithLE16(s8, 26, 2), BMP_ERR_PLANES, BMP_ERR_PLANES},
        {"zero width", WithLE32(s8, 18, 0), BMP_ERR_HEADER, BMP_ERR_HEADER},
        {"zero height", WithLE32(s8, 22, 0), BMP_ERR_HEADER, BMP_ERR_HEADER},
        {"OS/2 zero width", WithLE16(sOS2, 18, 0), BMP_ERR_HEADER, BMP_ERR_HEADER},
        {"negative width", WithLE32(s8, 18, static_cast<std::uint32_t>(-5)), BMP_ERR_HEADER,
         BMP_ERR_HEADER},
        {"rows overflow 32 bits", WithLE32(s24, 18, 0x7FFFFFFF), BMP_ERR_TOO_LARGE,
         BMP_ERR_TOO_LARGE},
        {"wider than a JPEG", WithLE32(s24, 18, 70000), BMP_ERR_TOO_LARGE, BMP_ERR_TOO_LARGE},
        {"gigabytes in a small file", WithLE32(WithLE32(s24, 18, 20000), 22, 20000), JERR_INPUT_EOF,
         JERR_INPUT_EOF},
        {"JPEG inside", WithLE32(s24, 30, 4), BMP_ERR_COMPRESSED, BMP_ERR_EMBEDDED_JPEG},
        {"PNG inside", WithLE32(s24, 30, 5), BMP_ERR_COMPRESSED, BMP_ERR_EMBEDDED_PNG},
        {"OS/2 Huffman", WithLE32(BuildBmp(Shape(64, 1)), 30, 3), BMP_ERR_BIT_COUNT,
         BMP_ERR_OS2_COMPRESSION},
        {"run-length 4 on 8 bits", WithLE32(s8, 30, 2), BMP_ERR_COMPRESSED, BMP_ERR_COMPRESSED},
        {"bit fields on 8 bits", WithLE32(s8, 30, 3), BMP_ERR_COMPRESSED, BMP_ERR_COMPRESSED},
        {"overlapping masks",
         BuildBmp(With(Shape(40, 16, 3),
                       [](BmpShape& s) {
                           s.masks = {0xF800, 0x0FE0, 0x001F};
                       })),
         BMP_ERR_BIT_COUNT, BMP_ERR_BIT_FIELDS},
        {"a mask with a hole",
         BuildBmp(With(Shape(40, 16, 3),
                       [](BmpShape& s) {
                           s.masks = {0xF800, 0x07A0, 0x001F};
                       })),
         BMP_ERR_BIT_COUNT, BMP_ERR_BIT_FIELDS},
        {"run-length without its end mark", sRle.substr(0, sRle.size() - 2), BMP_ERR_COMPRESSED,
         BMP_ERR_BAD_RLE},
        {"a run-length stretch beyond the row", sStretchBeyond, BMP_ERR_COMPRESSED,
         BMP_ERR_BAD_RLE},
        {"top-down run-length", WithLE32(sRle, 22, static_cast<std::uint32_t>(-6)),
         BMP_ERR_COMPRESSED, BMP_ERR_BAD_RLE},
        {"a colour index beyond the table", sIndexBeyond, BMP_ERR_COLOR_INDEX, BMP_ERR_COLOR_INDEX},
    };
}
