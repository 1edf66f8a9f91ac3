// BMP files for tests, in every layout.
#include "tests/support/bmp_builder.h"

#include <algorithm>

namespace {

void Append(std::string& s, std::uint32_t nValue, int nBytes) {
    for (int i = 0; i < nBytes; ++i)
        s.push_back(static_cast<char>((nValue >> (8 * i)) & 0xFF));
}

bool IsBitFields(const BmpShape& shape) {
    return shape.nCompression == 3 || shape.nCompression == 6;
}
bool IsRunLength(const BmpShape& shape) {
    return shape.nCompression == 1 || shape.nCompression == 2;
}

int InfoSize(const BmpShape& shape) {
    return shape.nInfoSize != 0 ? shape.nInfoSize : (shape.bOS2 ? 12 : 40);
}

// Entries of the colour table the file holds.
int TableEntries(const BmpShape& shape) {
    if (shape.nBitsPerPixel > 8)
        return 0;
    if (shape.nColors > 0 && InfoSize(shape) != 12)
        return shape.nColors;
    return 1 << shape.nBitsPerPixel;
}

std::vector<std::uint32_t> Masks(const BmpShape& shape) {
    if (!shape.masks.empty())
        return shape.masks;
    if (shape.nBitsPerPixel == 16)
        return IsBitFields(shape) ? std::vector<std::uint32_t>{0xF800, 0x07E0, 0x001F}
                                  : std::vector<std::uint32_t>{0x7C00, 0x03E0, 0x001F};
    return {0xFF0000, 0x00FF00, 0x0000FF};
}

// The pattern each picture follows unless the shape gives its own; y counts from the top.
struct Picture {
    const BmpShape& shape;

    int Index(int x, int y) const {
        if (shape.indexAt)
            return shape.indexAt(x, y);
        const int nStored = shape.nHeight - 1 - y;
        const int v = (x * 5 + nStored * 3 + shape.nSeed * 11 + (x * nStored) % 17) & 0xFF;
        return v % std::min(TableEntries(shape), 1 << shape.nBitsPerPixel);
    }
    std::uint32_t TableColour(int i) const {
        if (shape.tableColour)
            return shape.tableColour(i);
        const int n = TableEntries(shape);
        if (shape.bGreyPalette) {
            const std::uint32_t grey = static_cast<std::uint32_t>(i * 255 / (n > 1 ? n - 1 : 1));
            return grey * 0x010101u;
        }
        const std::uint32_t blue = (i * 37 + shape.nSeed * 5) & 0xFF;
        const std::uint32_t green = (i * 91 + 17) & 0xFF;
        const std::uint32_t red = (255 - i * 13) & 0xFF;
        return red << 16 | green << 8 | blue;
    }
    std::uint32_t Colour(int x, int y) const {
        if (shape.colourAt)
            return shape.colourAt(x, y);
        const int nStored = shape.nHeight - 1 - y;
        const std::uint32_t blue =
            (x * 5 + nStored * 3 + shape.nSeed * 11 + (x * nStored) % 17) & 0xFF;
        const std::uint32_t green = (x * 9 + 40) & 0xFF;
        const std::uint32_t red = (nStored * 7 + x) & 0xFF;
        return red << 16 | green << 8 | blue;
    }
};

// Where a mask's bits lie, and the largest value they hold.
struct MaskField {
    int nShift = 0;
    std::uint64_t nMax = 0;
};
MaskField FieldOf(std::uint32_t nMask) {
    MaskField field;
    int nBits = 0;
    while (((nMask >> field.nShift) & 1) == 0)
        ++field.nShift;
    while (field.nShift + nBits < 32 && ((nMask >> (field.nShift + nBits)) & 1))
        ++nBits;
    field.nMax = (std::uint64_t{1} << nBits) - 1;
    return field;
}

// An 8-bit channel in a mask's bits.
std::uint32_t InField(std::uint32_t nChannel, std::uint32_t nMask) {
    const MaskField field = FieldOf(nMask);
    return static_cast<std::uint32_t>(nChannel * field.nMax / 255) << field.nShift;
}

std::string PixelRow(const BmpShape& shape, const Picture& picture, int y) {
    std::string row;
    unsigned nBitBuffer = 0;
    int nBitCount = 0;
    const int nBits = shape.nBitsPerPixel;
    const std::vector<std::uint32_t> masks = Masks(shape);
    for (int x = 0; x < shape.nWidth; ++x) {
        if (nBits <= 8) {
            nBitBuffer = (nBitBuffer << nBits) | static_cast<unsigned>(picture.Index(x, y));
            nBitCount += nBits;
            if (nBitCount == 8)
                row.push_back(static_cast<char>(nBitBuffer)), nBitBuffer = 0, nBitCount = 0;
            continue;
        }
        const std::uint32_t c = picture.Colour(x, y);
        if (nBits == 24) {
            Append(row, c, 3);
            continue;
        }
        // A plain 32-bit pixel's fourth byte is junk that readers ignore.
        std::uint32_t v =
            nBits == 32 && shape.masks.empty() && !IsBitFields(shape) ? 0x5A000000u : 0;
        for (int i = 0; i < 3; ++i)
            v |= InField((c >> (16 - 8 * i)) & 0xFF, masks[i]);
        Append(row, v, nBits / 8);
    }
    if (nBitCount > 0)
        row.push_back(static_cast<char>(nBitBuffer << (8 - nBitCount)));
    row.resize(BmpStride(static_cast<long long>(row.size()), 8), '\0');
    return row;
}

// Each row, bottom first: a stretch of the first pixels as they are, then runs; a row of index
// 0 is skipped by moving up.
std::string RunLengthData(const BmpShape& shape, const Picture& picture) {
    const bool bFour = shape.nCompression == 2;
    const int nWidth = shape.nWidth;
    std::string s;
    for (int y = shape.nHeight - 1; y >= 0; --y) {
        std::vector<int> row(static_cast<std::size_t>(nWidth));
        for (int x = 0; x < nWidth; ++x)
            row[static_cast<std::size_t>(x)] = picture.Index(x, y);
        if (std::all_of(row.begin(), row.end(), [](int i) { return i == 0; })) {
            s += std::string("\0\x02\0\x01", 4);
            continue;
        }
        int x = 0;
        if (nWidth >= 3) {
            const int nStretch = std::min(nWidth, 5);
            s += std::string(1, '\0') + static_cast<char>(nStretch);
            std::string stretch;
            for (; x < nStretch; ++x) {
                const int i = row[static_cast<std::size_t>(x)];
                if (!bFour)
                    stretch.push_back(static_cast<char>(i));
                else if (x % 2 == 0)
                    stretch.push_back(static_cast<char>(i << 4));
                else
                    stretch.back() = static_cast<char>(stretch.back() | i);
            }
            if (stretch.size() % 2 != 0)
                stretch.push_back('\0');
            s += stretch;
        }
        while (x < nWidth) {
            const int i = row[static_cast<std::size_t>(x)];
            int n = 1;
            while (x + n < nWidth && n < 255 && row[static_cast<std::size_t>(x + n)] == i)
                ++n;
            s += std::string(1, static_cast<char>(n)) + static_cast<char>(bFour ? (i << 4) | i : i);
            x += n;
        }
        s += std::string("\0\0", 2);
    }
    return s + std::string("\0\x01", 2);
}

std::string InfoHeader(const BmpShape& shape, std::uint32_t nPixelBytes) {
    const int nSize = InfoSize(shape);
    std::string info;
    Append(info, static_cast<std::uint32_t>(nSize), 4);
    if (nSize == 12) {
        Append(info, static_cast<std::uint32_t>(shape.nWidth), 2);
        Append(info, static_cast<std::uint32_t>(shape.nHeight), 2);
        Append(info, 1, 2);
        Append(info, static_cast<std::uint32_t>(shape.nBitsPerPixel), 2);
        return info;
    }
    Append(info, static_cast<std::uint32_t>(shape.nWidth), 4);
    Append(info, static_cast<std::uint32_t>(shape.bTopDown ? -shape.nHeight : shape.nHeight), 4);
    Append(info, 1, 2);
    Append(info, static_cast<std::uint32_t>(shape.nBitsPerPixel), 2);
    Append(info, shape.nCompression, 4);
    Append(info, nPixelBytes, 4);
    Append(info, static_cast<std::uint32_t>(shape.nXPelsPerMeter), 4);
    Append(info, static_cast<std::uint32_t>(shape.nYPelsPerMeter), 4);
    Append(info, static_cast<std::uint32_t>(shape.nColors), 4);
    Append(info, 0, 4);
    if (nSize >= 52 && (IsBitFields(shape) || !shape.masks.empty()))
        for (std::uint32_t nMask : Masks(shape))
            if (static_cast<int>(info.size()) + 4 <= nSize)
                Append(info, nMask, 4);
    info.resize(static_cast<std::size_t>(nSize), '\0');
    return info;
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

std::string PictureRows(const BmpShape& shape) {
    const Picture picture{shape};
    const std::vector<std::uint32_t> masks = Masks(shape);
    std::string rows;
    for (int y = 0; y < shape.nHeight; ++y)
        for (int x = 0; x < shape.nWidth; ++x) {
            if (shape.nBitsPerPixel <= 8) {
                const std::uint32_t c = picture.TableColour(picture.Index(x, y));
                rows +=
                    {static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c)};
                continue;
            }
            const std::uint32_t c = picture.Colour(x, y);
            for (int i = 0; i < 3; ++i) {
                const MaskField field = FieldOf(masks[i]);
                const std::uint64_t n =
                    InField((c >> (16 - 8 * i)) & 0xFF, masks[i]) >> field.nShift;
                rows.push_back(static_cast<char>(n * 255 / field.nMax));
            }
        }
    return rows;
}

std::uint32_t TableColourOf(const BmpShape& shape, int i) { return Picture{shape}.TableColour(i); }

BmpShape PlainTwin(const BmpShape& shape) {
    BmpShape twin = ShapeOf(40, shape.nWidth, shape.nHeight, 24);
    if (InfoSize(shape) >= 40) {
        twin.nXPelsPerMeter = shape.nXPelsPerMeter;
        twin.nYPelsPerMeter = shape.nYPelsPerMeter;
    }
    const std::string rows = PictureRows(shape);
    twin.colourAt = [rows, nWidth = shape.nWidth](int x, int y) {
        const std::size_t i = 3 * (static_cast<std::size_t>(y) * nWidth + x);
        return static_cast<std::uint32_t>(static_cast<unsigned char>(rows[i])) << 16 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(rows[i + 1])) << 8 |
               static_cast<unsigned char>(rows[i + 2]);
    };
    return twin;
}

std::size_t BmpStride(long long nWidth, int nBits) {
    return static_cast<std::size_t>((nWidth * nBits + 31) / 32 * 4);
}

std::string WithLE16(std::string s, std::size_t nOffset, unsigned nValue) {
    PutLE16(s, nOffset, nValue);
    return s;
}

std::string WithLE32(std::string s, std::size_t nOffset, std::uint32_t nValue) {
    PutLE32(s, nOffset, nValue);
    return s;
}

unsigned GetLE16(const std::string& s, std::size_t nOffset) {
    return static_cast<unsigned char>(s[nOffset]) |
           static_cast<unsigned>(static_cast<unsigned char>(s[nOffset + 1])) << 8;
}

std::uint32_t GetLE32(const std::string& s, std::size_t nOffset) {
    return GetLE16(s, nOffset) | static_cast<std::uint32_t>(GetLE16(s, nOffset + 2)) << 16;
}

unsigned GetBE16(const std::string& s, std::size_t nOffset) {
    return static_cast<unsigned>(static_cast<unsigned char>(s[nOffset])) << 8 |
           static_cast<unsigned char>(s[nOffset + 1]);
}

BmpShape ShapeOf(int nInfoSize, int nWidth, int nHeight, int nBits, unsigned nCompression) {
    BmpShape shape;
    shape.nInfoSize = nInfoSize;
    shape.nWidth = nWidth;
    shape.nHeight = nHeight;
    shape.nBitsPerPixel = nBits;
    shape.nCompression = nCompression;
    return shape;
}

std::string BuildBmp(const BmpShape& shape) {
    const Picture picture{shape};
    std::string pixels = shape.sPixels;
    if (pixels.empty() && IsRunLength(shape)) {
        pixels = RunLengthData(shape, picture);
    } else if (pixels.empty()) {
        for (int r = 0; r < shape.nHeight; ++r)
            pixels += PixelRow(shape, picture, shape.bTopDown ? r : shape.nHeight - 1 - r);
    }
    pixels += std::string(shape.nSlack, '\0');

    std::string extra;
    if (IsBitFields(shape) && InfoSize(shape) < 52) {
        std::vector<std::uint32_t> masks = Masks(shape);
        masks.resize(shape.nCompression == 6 ? 4 : 3, 0);
        for (std::uint32_t nMask : masks)
            Append(extra, nMask, 4);
    }
    for (int i = 0; i < TableEntries(shape); ++i)
        Append(extra, picture.TableColour(i), InfoSize(shape) == 12 ? 3 : 4);
    extra += std::string(shape.nGap, 'g');

    const std::string info = InfoHeader(shape, static_cast<std::uint32_t>(pixels.size()));
    const auto nOffset = static_cast<std::uint32_t>(14 + info.size() + extra.size());
    std::string s = "BM";
    Append(s, nOffset + static_cast<std::uint32_t>(pixels.size()), 4);
    Append(s, 0, 4);
    Append(s, nOffset, 4);
    return s + info + extra + pixels;
}
