// Builds BMP files byte by byte for tests: every layout the reader accepts, and broken ones.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct BmpShape {
    int nWidth = 37;
    int nHeight = 23;
    int nBitsPerPixel = 24;  // 8 or 24 for valid files
    bool bOS2 = false;
    int nColors = 0;  // 8-bit Windows: biClrUsed (0 means 256)
    bool bGreyPalette = false;
    std::int32_t nXPelsPerMeter = 0;
    std::int32_t nYPelsPerMeter = 0;
    int nSeed = 1;  // varies the picture
};

// A complete, valid file; rows bottom-up and padded, pixel indexes within the map.
std::string BuildBmp(const BmpShape& shape);

// Little-endian field writers, for tests that break a header on purpose.
void PutLE16(std::string& s, std::size_t nOffset, unsigned nValue);
void PutLE32(std::string& s, std::size_t nOffset, std::uint32_t nValue);
