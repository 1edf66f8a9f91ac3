// Builds BMP files byte by byte for tests: one picture in every layout bitmaps come in, and the
// pieces to break a header on purpose.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct BmpShape {
    int nWidth = 37;
    int nHeight = 23;
    int nBitsPerPixel = 24;  // 1, 4, 8, 16, 24 or 32
    bool bOS2 = false;       // the 12-byte OS/2 1.x header
    int nInfoSize = 0;       // another header length (16, 52, 56, 64, 108, 124); 0: 12 or 40
    // 0 plain; 1 and 2 run-length coding of 8- and 4-bit indexes; 3 and 6 bit fields.
    unsigned nCompression = 0;
    bool bTopDown = false;  // rows stored top first, under a negative height
    int nColors = 0;        // biClrUsed, and the entries written; 0: as many as the bits index
    // Red, green, blue (and alpha) of bit fields: in a header of 52 bytes or more, else after it.
    std::vector<std::uint32_t> masks;
    bool bGreyPalette = false;
    std::int32_t nXPelsPerMeter = 0;
    std::int32_t nYPelsPerMeter = 0;
    int nSeed = 1;        // varies the picture
    unsigned nGap = 0;    // bytes between the colour table and the pixels
    unsigned nSlack = 0;  // bytes after the rows, counted in biSizeImage as writers often do
    std::string sPixels;  // the stored pixel area as it is, instead of the picture's

    // The picture, columns from the left and rows from the top: colour-table indexes, the
    // table's colours and, above 8 bits, each pixel's colour (0xRRGGBB). Unset: a pattern.
    std::function<int(int x, int y)> indexAt;
    std::function<std::uint32_t(int nIndex)> tableColour;
    std::function<std::uint32_t(int x, int y)> colourAt;
};

// The default picture with this header length, size, bit count and compression.
BmpShape ShapeOf(int nInfoSize, int nWidth, int nHeight, int nBits, unsigned nCompression = 0);

// A complete file; rows padded, pixel indexes within the table. Run-length data codes each row
// as a stretch as it is and runs, and skips a row of index 0 with a move.
std::string BuildBmp(const BmpShape& shape);

// The picture the file shows, as a faithful reader gives it: red, green and blue of each pixel,
// rows from the top. Channels narrower than 8 bits are scaled as Pillow scales them (value ×
// 255 ÷ largest value, rounded down).
std::string PictureRows(const BmpShape& shape);

// Entry i of the file's colour table, 0xRRGGBB.
std::uint32_t TableColourOf(const BmpShape& shape, int i);

// A plain 24-bit bitmap of the same picture, with the same resolution.
BmpShape PlainTwin(const BmpShape& shape);

// Bytes per stored row, padded to 32 bits: the tests' own count, apart from the product's.
std::size_t BmpStride(long long nWidth, int nBits);

// Little-endian field writers, for tests that break a header on purpose, and readers of the
// fields of files that were written (JPEG's own fields are big-endian).
void PutLE16(std::string& s, std::size_t nOffset, unsigned nValue);
void PutLE32(std::string& s, std::size_t nOffset, std::uint32_t nValue);
// A copy of s with one field replaced.
std::string WithLE16(std::string s, std::size_t nOffset, unsigned nValue);
std::string WithLE32(std::string s, std::size_t nOffset, std::uint32_t nValue);
unsigned GetLE16(const std::string& s, std::size_t nOffset);
std::uint32_t GetLE32(const std::string& s, std::size_t nOffset);
unsigned GetBE16(const std::string& s, std::size_t nOffset);
