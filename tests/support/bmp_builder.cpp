// BMP files for tests.
#include "tests/support/bmp_builder.h"

namespace {

void Append16(std::string& s, unsigned n) {
    s += static_cast<char>(n & 0xFF);
    s += static_cast<char>((n >> 8) & 0xFF);
}

void Append32(std::string& s, std::uint32_t n) {
    Append16(s, n & 0xFFFF);
    Append16(s, n >> 16);
}

}  // namespace

void PutLE16(std::string& s, std::size_t nOffset, unsigned nValue) {
    s[nOffset] = static_cast<char>(nValue & 0xFF);
    s[nOffset + 1] = static_cast<char>((nValue >> 8) & 0xFF);
}

void PutLE32(std::string& s, std::size_t nOffset, std::uint32_t nValue) {
    PutLE16(s, nOffset, nValue & 0xFFFF);
    PutLE16(s, nOffset + 2, nValue >> 16);
}

std::string BuildBmp(const BmpShape& shape) {
    const bool b8 = shape.nBitsPerPixel == 8;
    const int nMapEntries = b8 ? (shape.bOS2 ? 256 : (shape.nColors > 0 ? shape.nColors : 256)) : 0;
    const int nEntrySize = shape.bOS2 ? 3 : 4;
    const int nInfoSize = shape.bOS2 ? 12 : 40;
    const int nBytesPerPixel = shape.nBitsPerPixel / 8;
    const int nRowWidth = (shape.nWidth * nBytesPerPixel + 3) & ~3;
    const std::uint32_t nOffset = 14 + nInfoSize + nMapEntries * nEntrySize;

    std::string s = "BM";
    Append32(s, nOffset + static_cast<std::uint32_t>(nRowWidth * shape.nHeight));
    Append32(s, 0);
    Append32(s, nOffset);
    Append32(s, static_cast<std::uint32_t>(nInfoSize));
    if (shape.bOS2) {
        Append16(s, static_cast<unsigned>(shape.nWidth));
        Append16(s, static_cast<unsigned>(shape.nHeight));
        Append16(s, 1);
        Append16(s, static_cast<unsigned>(shape.nBitsPerPixel));
    } else {
        Append32(s, static_cast<std::uint32_t>(shape.nWidth));
        Append32(s, static_cast<std::uint32_t>(shape.nHeight));
        Append16(s, 1);
        Append16(s, static_cast<unsigned>(shape.nBitsPerPixel));
        Append32(s, 0);
        Append32(s, 0);
        Append32(s, static_cast<std::uint32_t>(shape.nXPelsPerMeter));
        Append32(s, static_cast<std::uint32_t>(shape.nYPelsPerMeter));
        Append32(s, static_cast<std::uint32_t>(shape.nColors));
        Append32(s, 0);
    }
    for (int i = 0; i < nMapEntries; ++i) {
        const int grey = i * 255 / (nMapEntries > 1 ? nMapEntries - 1 : 1);
        const int blue = shape.bGreyPalette ? grey : (i * 37 + shape.nSeed * 5) & 0xFF;
        const int green = shape.bGreyPalette ? grey : (i * 91 + 17) & 0xFF;
        const int red = shape.bGreyPalette ? grey : (255 - i * 13) & 0xFF;
        s += static_cast<char>(blue);
        s += static_cast<char>(green);
        s += static_cast<char>(red);
        if (!shape.bOS2)
            s += '\0';
    }
    for (int y = 0; y < shape.nHeight; ++y) {
        std::string row;
        for (int x = 0; x < shape.nWidth; ++x) {
            const int v = (x * 5 + y * 3 + shape.nSeed * 11 + (x * y) % 17) & 0xFF;
            if (b8) {
                row += static_cast<char>(v % nMapEntries);
            } else {
                row += static_cast<char>(v);
                row += static_cast<char>((x * 9 + 40) & 0xFF);
                row += static_cast<char>((y * 7 + x) & 0xFF);
            }
        }
        row.resize(static_cast<std::size_t>(nRowWidth), '\0');
        s += row;
    }
    return s;
}
