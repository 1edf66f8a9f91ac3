// COXDIB: every bitmap layout it reads, hostile headers, writing without loss, the archive form,
// blank images and the pixel operations.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "imagefile/dib/dib.h"
#include "platform/memfile.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tools.h"

namespace {

void Put16(std::string& s, std::size_t n, unsigned v) {
    s[n] = static_cast<char>(v);
    s[n + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& s, std::size_t n, DWORD v) {
    Put16(s, n, v & 0xFFFF);
    Put16(s, n + 2, v >> 16);
}

std::size_t StrideOf(long long nWidth, int nBits) {
    return static_cast<std::size_t>((nWidth * nBits + 31) / 32 * 4);
}

// A BMP file in any layout: header length, bit count, compression, colour count, masks, a gap
// before the pixels. Pixels default to a pattern over every stored byte, padding included.
struct BmpFile {
    DWORD nHeaderSize = 40;
    LONG nWidth = 5;
    LONG nHeight = 3;  // negative: top-down
    WORD nBits = 24;
    DWORD nCompression = BI_RGB;
    DWORD nClrUsed = 0;
    DWORD nSizeImage = 0;
    DWORD nGap = 0;
    std::string sPixels;

    int TableEntries() const {
        if (nClrUsed != 0)
            return static_cast<int>(nClrUsed);
        return nBits <= 8 ? 1 << nBits : 0;
    }
    std::size_t PixelBytes() const {
        return StrideOf(nWidth, nBits) * static_cast<std::size_t>(nHeight < 0 ? -nHeight : nHeight);
    }
    std::string Pixels() const {
        if (!sPixels.empty())
            return sPixels;
        std::string s(PixelBytes(), '\0');
        for (std::size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<char>(i * 37 + 11);
        return s;
    }
    std::string Bytes() const {
        std::string header(nHeaderSize, '\0');
        Put32(header, 0, nHeaderSize);
        if (nHeaderSize == 12) {
            Put16(header, 4, static_cast<unsigned>(nWidth));
            Put16(header, 6, static_cast<unsigned>(nHeight));
            Put16(header, 8, 1);
            Put16(header, 10, nBits);
        } else {
            Put32(header, 4, static_cast<DWORD>(nWidth));
            Put32(header, 8, static_cast<DWORD>(nHeight));
            Put16(header, 12, 1);
            Put16(header, 14, nBits);
            Put32(header, 16, nCompression);
            Put32(header, 20, nSizeImage);
            Put32(header, 32, nClrUsed);
        }
        std::string table;
        if (nCompression == BI_BITFIELDS) {
            std::string masks(12, '\0');
            Put32(masks, 0, nBits == 16 ? 0xF800 : 0xFF0000);
            Put32(masks, 4, nBits == 16 ? 0x07E0 : 0x00FF00);
            Put32(masks, 8, nBits == 16 ? 0x001F : 0x0000FF);
            if (nHeaderSize >= 52)
                header.replace(40, 12, masks);
            else
                table = masks;
        }
        for (int i = 0; i < TableEntries(); ++i) {
            table += {static_cast<char>(i), static_cast<char>(255 - i), static_cast<char>(i * 7)};
            if (nHeaderSize != 12)
                table += '\0';
        }
        const std::size_t nOffBits = 14 + header.size() + table.size() + nGap;
        std::string file = "BM" + std::string(12, '\0');
        Put32(file, 10, static_cast<DWORD>(nOffBits));
        file += header + table + std::string(nGap, 'g') + Pixels();
        Put32(file, 2, static_cast<DWORD>(file.size()));
        return file;
    }
};

BmpFile Layout(DWORD nHeaderSize, LONG nWidth, LONG nHeight, WORD nBits,
               DWORD nCompression = BI_RGB, DWORD nClrUsed = 0, DWORD nGap = 0) {
    BmpFile f;
    f.nHeaderSize = nHeaderSize, f.nWidth = nWidth, f.nHeight = nHeight, f.nBits = nBits;
    f.nCompression = nCompression, f.nClrUsed = nClrUsed, f.nGap = nGap;
    return f;
}

// A 4 x 2 run-length image: one run of four, end of line, end of picture.
BmpFile RunLength() {
    BmpFile f = Layout(40, 4, 2, 8, BI_RLE8, 2);
    f.sPixels = std::string("\x04\x01\x00\x00\x00\x01", 6);
    f.nSizeImage = 6;
    return f;
}

// What a DIB holds: its 40-byte header, colour table and pixels.
struct Held {
    BITMAPINFOHEADER info{};
    std::string sTable;
    std::string sPixels;
};

Held Hold(const COXDIB& dib) {
    Held held;
    HGLOBAL h = dib.GetDIBCopy();
    if (h == nullptr)
        return held;
    const auto* p = static_cast<const BYTE*>(GlobalLock(h));
    std::memcpy(&held.info, p, sizeof held.info);
    const BYTE* pBits = COXDIB::GetBits(p);
    held.sTable.assign(reinterpret_cast<const char*>(p) + 40, pBits - p - 40);
    held.sPixels.assign(reinterpret_cast<const char*>(pBits), held.info.biSizeImage);
    GlobalUnlock(h);
    GlobalFree(h);
    return held;
}

BOOL ReadBytes(COXDIB& dib, const std::string& sBytes) {
    CMemFile file(sBytes);
    return dib.Read(&file);
}

std::string WrittenBytes(COXDIB& dib) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    EXPECT_TRUE(dib.Write(ar));
    ar.Close();
    std::string s(static_cast<std::size_t>(file.GetLength()), '\0');
    file.SeekToBegin();
    file.Read(s.data(), static_cast<UINT>(s.size()));
    return s;
}

// The pixel at (x, y), rows counted from the bottom as stored, for any bit count.
unsigned PixelAt(const Held& held, LONG x, LONG y) {
    const int nBits = held.info.biBitCount;
    const auto* pRow = reinterpret_cast<const BYTE*>(held.sPixels.data()) +
                       StrideOf(held.info.biWidth, nBits) * static_cast<std::size_t>(y);
    if (nBits < 8) {
        const long long nBit = static_cast<long long>(x) * nBits;
        return (pRow[nBit / 8] >> (8 - nBits - nBit % 8)) & ((1U << nBits) - 1);
    }
    unsigned v = 0;
    for (int i = nBits / 8 - 1; i >= 0; --i)
        v = (v << 8) | pRow[static_cast<std::size_t>(x) * (nBits / 8) + i];
    return v;
}

}  // namespace

TEST(DIBReadTest, EveryLayoutLoadsAsABottomUpDIBWithA40ByteHeader) {
    const struct {
        const char* pszWhat;
        BmpFile file;
    } cases[] = {
        {"Windows 1-bit", Layout(40, 13, 3, 1)},
        {"Windows 4-bit, 9 colours", Layout(40, 7, 3, 4, BI_RGB, 9)},
        {"Windows 8-bit", Layout(40, 5, 3, 8)},
        {"Windows 16-bit", Layout(40, 5, 3, 16)},
        {"Windows 24-bit", BmpFile()},
        {"Windows 32-bit", Layout(40, 5, 3, 32)},
        {"16-bit masks after the header", Layout(40, 5, 3, 16, BI_BITFIELDS)},
        {"V3 header, 32-bit masks inside", Layout(56, 5, 3, 32, BI_BITFIELDS)},
        {"V5 header, 24-bit", Layout(124, 5, 3, 24)},
        {"OS/2 2.x header", Layout(64, 5, 3, 8)},
        {"OS/2 8-bit", Layout(12, 5, 3, 8)},
        {"OS/2 24-bit", Layout(12, 5, 3, 24)},
        {"a gap before the pixels", Layout(40, 5, 3, 8, BI_RGB, 0, 37)},
        {"run-length encoded", RunLength()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        COXDIB dib;
        ASSERT_TRUE(ReadBytes(dib, c.file.Bytes()));
        const Held held = Hold(dib);
        EXPECT_EQ(held.info.biSize, 40u);
        EXPECT_EQ(dib.GetSize(), CSize(c.file.nWidth, c.file.nHeight));
        EXPECT_EQ(dib.GetBitCount(), c.file.nBits);
        EXPECT_EQ(held.sPixels, c.file.Pixels());
        EXPECT_EQ(dib.GetNumColors(), c.file.TableEntries());
        EXPECT_EQ(dib.GetPalette() != nullptr, c.file.TableEntries() > 0);
        if (c.file.nBits == 8 &&
            c.file.nCompression == BI_RGB) {  // entry 5: blue 5, green 250, red 35
            PALETTEENTRY entry{};
            ASSERT_EQ(dib.GetPalette()->GetPaletteEntries(5, 1, &entry), 1u);
            EXPECT_TRUE(entry.peBlue == 5 && entry.peGreen == 250 && entry.peRed == 35);
        }
        // Written back: a Windows bitmap with the same picture, which reads back the same.
        const std::string sWritten = WrittenBytes(dib);
        COXDIB again;
        ASSERT_TRUE(ReadBytes(again, sWritten));
        EXPECT_EQ(Hold(again).sPixels, held.sPixels);
        EXPECT_EQ(Hold(again).sTable, held.sTable);
    }
}

TEST(DIBReadTest, TopDownImagesAreTurnedTheRightWayUp) {
    BmpFile file;
    file.nHeight = -3;
    COXDIB dib;
    ASSERT_TRUE(ReadBytes(dib, file.Bytes()));
    EXPECT_EQ(dib.GetSize(), CSize(5, 3));
    const std::string sPixels = file.Pixels();
    const std::size_t nStride = StrideOf(5, 24);
    const std::string sBottomUp = sPixels.substr(2 * nStride, nStride) +
                                  sPixels.substr(nStride, nStride) + sPixels.substr(0, nStride);
    EXPECT_EQ(Hold(dib).sPixels, sBottomUp);
}

TEST(DIBReadTest, WrittenFilesHaveTheStandardLayout) {
    BmpFile os2 = Layout(12, 10, 2, 8);
    COXDIB dib;
    ASSERT_TRUE(ReadBytes(dib, os2.Bytes()));
    const std::string sWritten = WrittenBytes(dib);
    EXPECT_EQ(sWritten.substr(0, 2), "BM");
    EXPECT_EQ(
        static_cast<unsigned char>(sWritten[10]) | (static_cast<unsigned char>(sWritten[11]) << 8),
        14 + 40 + 1024);  // bfOffBits
    EXPECT_EQ(sWritten.size(), 14u + 40 + 1024 + 2 * 12);
    // A 24-bit image whose file gives no pixel size: 10 x 2 pixels need 2 rows of 32 bytes.
    BmpFile noSize = Layout(40, 10, 2, 24);
    COXDIB dib24;
    ASSERT_TRUE(ReadBytes(dib24, noSize.Bytes()));
    EXPECT_EQ(Hold(dib24).info.biSizeImage, 64u);
    EXPECT_EQ(dib24.GetPalette(), nullptr);
}

TEST(DIBReadTest, HostileOrBrokenFilesLeaveTheObjectEmpty) {
    const BmpFile valid = Layout(40, 5, 3, 8);
    const auto with = [](std::function<void(BmpFile&)> change) {
        BmpFile f = Layout(40, 5, 3, 8);
        change(f);
        return f.Bytes();
    };
    const auto patched = [&](std::size_t nOffset, DWORD nValue) {
        std::string s = valid.Bytes();
        Put32(s, nOffset, nValue);
        return s;
    };
    const struct {
        const char* pszWhat;
        std::string sBytes;
    } cases[] = {
        {"not BM", "BA" + valid.Bytes().substr(2)},
        {"cut in the header", valid.Bytes().substr(0, 30)},
        {"cut in the colour table", valid.Bytes().substr(0, 300)},
        {"cut in the pixels", valid.Bytes().substr(0, valid.Bytes().size() - 1)},
        {"offset inside the colour table", patched(10, 14 + 40 + 100)},
        {"offset inside the headers", patched(10, 20)},
        {"header length 30", patched(14, 30)},
        {"300 colours for 8 bits", with([](BmpFile& f) { f.nClrUsed = 300; })},
        {"17 colours for 4 bits", with([](BmpFile& f) { f.nBits = 4, f.nClrUsed = 17; })},
        {"3 bits per pixel", with([](BmpFile& f) { f.nBits = 3; })},
        {"zero width", patched(18, 0)},
        {"zero height", patched(22, 0)},
        {"negative width", patched(18, static_cast<DWORD>(-5))},
        {"rows overflow 32 bits", patched(18, 0x7FFFFFFF)},
        {"image of gigabytes in a small file",
         [&] {
             std::string s = patched(18, 20000);
             Put32(s, 22, 20000);
             return s;
         }()},
        {"pixel size beyond the rows", patched(34, 1000)},
        {"JPEG inside", patched(30, 4)},
        {"run-length 4 on 8 bits", patched(30, BI_RLE4)},
        {"masks on 8 bits", patched(30, BI_BITFIELDS)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        COXDIB dib;
        ASSERT_TRUE(ReadBytes(dib, valid.Bytes()));  // a failed read also drops what was there
        EXPECT_FALSE(ReadBytes(dib, c.sBytes));
        EXPECT_TRUE(dib.IsEmpty());
        EXPECT_EQ(dib.GetPalette(), nullptr);
    }
}

class DIBFileTest : public TempDirTest {};

TEST_F(DIBFileTest, WritingToAPathReplacesTheFileOnlyWhenTheImageIsWhole) {
    const std::string sPath = PathOf("picture.bmp");
    WriteFile(sPath, "precious");
    COXDIB empty;
    EXPECT_FALSE(empty.Write(sPath.c_str()));
    EXPECT_EQ(ReadFile(sPath), "precious");
    EXPECT_EQ(ListFolder(m_sDir).size(), 1u);

    COXDIB dib;
    ASSERT_TRUE(ReadBytes(dib, BmpFile().Bytes()));
    ASSERT_TRUE(dib.Write(sPath.c_str()));
    COXDIB again;
    ASSERT_TRUE(again.Read(sPath.c_str()));
    EXPECT_EQ(Hold(again).sPixels, BmpFile().Pixels());
    EXPECT_EQ(ListFolder(m_sDir).size(), 1u);
    EXPECT_FALSE(again.Read(PathOf("missing.bmp").c_str()));
    EXPECT_TRUE(again.IsEmpty());
}

TEST(DIBArchiveTest, AnObjectIsItsClassTagAndAWholeBitmapFile) {
    COXDIB dib;
    ASSERT_TRUE(ReadBytes(dib, Layout(40, 5, 3, 8).Bytes()));
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar << static_cast<const CObject*>(&dib);
        ar.Close();
    }
    std::string s(static_cast<std::size_t>(file.GetLength()), '\0');
    file.SeekToBegin();
    file.Read(s.data(), static_cast<UINT>(s.size()));
    EXPECT_EQ(s.substr(0, 14), std::string("\xFF\xFF\x01\x00\x06\x00", 6) + "COXDIB" + "BM");
    EXPECT_EQ(s.substr(12), WrittenBytes(dib));

    file.SeekToBegin();
    CArchive ar(&file, CArchive::load);
    COXDIB* pRead = nullptr;
    ar >> pRead;
    ASSERT_NE(pRead, nullptr);
    EXPECT_EQ(Hold(*pRead).sPixels, Hold(dib).sPixels);
    delete pRead;
}

TEST(DIBCreateTest, BlankImagesHaveTheStandardColours) {
    COXDIB dib;
    ASSERT_TRUE(dib.Create(8, 3, 2));
    HGLOBAL h = dib.Detach();
    EXPECT_EQ(GlobalSize(h), 2u * 4 + 1064);
    const auto* p = static_cast<const BYTE*>(GlobalLock(h));
    const auto* pInfo = reinterpret_cast<const BITMAPINFOHEADER*>(p);
    EXPECT_EQ(pInfo->biClrUsed, 256u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p) + 40 + 16 * 4, 64),
              std::string(reinterpret_cast<const char*>(p) + 40, 64));
    EXPECT_EQ(p[40 + 9 * 4 + 2], 255);  // entry 9 is red
    GlobalUnlock(h);
    GlobalFree(h);

    BITMAPINFOHEADER header;
    EXPECT_EQ(COXDIB::InitInfoHeader(&header, 4, 4, 16), 24);
    EXPECT_EQ(COXDIB::InitInfoHeader(&header, 4, 4, 3), 4);
    EXPECT_EQ(header.biClrUsed, 16u);
    EXPECT_FALSE(dib.Create(7, 3, 2));
    EXPECT_FALSE(dib.Create(24, 0x7FFFFFFF, 0x7FFFFFFF));
    EXPECT_EQ(COXDIB::GetPaddingBytes(3, 24), 3);
    EXPECT_EQ(COXDIB::GetPaddingBytes(5, 1), 4);
    EXPECT_EQ(COXDIB::GetPaddingBytes(8, 4), 0);
}

TEST(DIBPixelTest, RotationAndMirroringMoveEveryPixelForEveryBitCount) {
    const struct {
        int nAngle;
        BOOL bVertical, bHorizontal;
    } turns[] = {{90, FALSE, FALSE}, {180, FALSE, FALSE}, {270, FALSE, FALSE}, {-90, FALSE, FALSE},
                 {0, TRUE, FALSE},   {0, FALSE, TRUE},    {90, TRUE, TRUE},    {450, FALSE, TRUE}};
    for (WORD nBits : {1, 4, 8, 16, 24, 32}) {
        const BmpFile file = Layout(40, 5, 3, nBits);
        COXDIB original;
        ASSERT_TRUE(ReadBytes(original, file.Bytes()));
        const Held before = Hold(original);
        for (const auto& t : turns) {
            SCOPED_TRACE(std::to_string(nBits) + " bits, " + std::to_string(t.nAngle) + " degrees");
            COXDIB dib(original);
            ASSERT_TRUE(dib.Rotate(t.nAngle, t.bVertical, t.bHorizontal));
            const Held after = Hold(dib);
            const int nTurn = ((t.nAngle % 360) + 360) % 360;
            const LONG nW = after.info.biWidth, nH = after.info.biHeight;
            ASSERT_EQ(nW, nTurn % 180 ? 3 : 5);
            for (LONG y = 0; y < 3; ++y)
                for (LONG x = 0; x < 5; ++x) {
                    LONG c = x, r = y;
                    if (nTurn == 90)
                        c = y, r = nH - 1 - x;
                    else if (nTurn == 180)
                        c = nW - 1 - x, r = nH - 1 - y;
                    else if (nTurn == 270)
                        c = nW - 1 - y, r = x;
                    if (t.bVertical)
                        r = nH - 1 - r;
                    if (t.bHorizontal)
                        c = nW - 1 - c;
                    ASSERT_EQ(PixelAt(after, c, r), PixelAt(before, x, y)) << x << "," << y;
                }
            EXPECT_EQ(after.sTable, before.sTable);
        }
    }
    COXDIB dib;
    ASSERT_TRUE(ReadBytes(dib, BmpFile().Bytes()));
    const Held before = Hold(dib);
    EXPECT_FALSE(dib.Rotate(45, FALSE, FALSE));
    EXPECT_EQ(Hold(dib).sPixels, before.sPixels);
    EXPECT_FALSE(COXDIB().Rotate(90, FALSE, FALSE));
}

TEST(DIBPixelTest, ResizingRepeatsAndDropsColumnsAndRowsEvenly) {
    COXDIB dib;
    ASSERT_TRUE(ReadBytes(dib, Layout(40, 3, 1, 8).Bytes()));
    const Held small = Hold(dib);
    ASSERT_TRUE(dib.Resize(5, 2));
    const Held wide = Hold(dib);
    EXPECT_EQ(wide.info.biWidth, 5);
    for (LONG y = 0; y < 2; ++y) {  // columns 2, 1, 2 times; the one row twice
        const unsigned expected[] = {0, 0, 1, 2, 2};
        for (LONG x = 0; x < 5; ++x)
            EXPECT_EQ(PixelAt(wide, x, y), PixelAt(small, static_cast<LONG>(expected[x]), 0));
    }
    ASSERT_TRUE(dib.Resize(3, 1));  // 5 -> 3 keeps columns 0, 2 and 4
    EXPECT_EQ(PixelAt(Hold(dib), 1, 0), PixelAt(wide, 2, 0));
    ASSERT_TRUE(ReadBytes(dib, Layout(40, 5, 3, 4).Bytes()));
    EXPECT_FALSE(dib.Resize(10, 6));
}

TEST(DIBPixelTest, ReductionTo8BitsDithersIntoTheHalftoneCube) {
    // A halftone palette laid out as the cube itself, so no index is translated.
    std::vector<BYTE> storage(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
    auto* pLog = reinterpret_cast<LOGPALETTE*>(storage.data());
    pLog->palVersion = 0x300;
    pLog->palNumEntries = 256;
    for (int i = 0; i < 256; ++i)
        pLog->palPalEntry[i] = PALETTEENTRY{static_cast<BYTE>(i == 1 ? 44 : i), 0, 0, 0};
    const auto halftone = [&] {
        auto p = std::make_unique<CPalette>();
        p->CreatePalette(pLog);
        return p;
    };
    BmpFile file = Layout(40, 2, 1, 24);
    file.sPixels = std::string("\xFF\xFF\xFF\0\0\0\0\0", 8);  // white, black
    COXDIB dib;
    ASSERT_TRUE(ReadBytes(dib, file.Bytes()));
    ASSERT_TRUE(dib.ReduceTo8Bit(halftone()));
    EXPECT_EQ(dib.GetBitCount(), 8);
    EXPECT_EQ(PixelAt(Hold(dib), 0, 0), 215u);
    EXPECT_EQ(PixelAt(Hold(dib), 1, 0), 0u);
    ASSERT_NE(dib.GetPalette(), nullptr);
    // Another layout translates: white goes to the palette's last entry.
    pLog->palPalEntry[1].peRed = 128;
    ASSERT_TRUE(ReadBytes(dib, file.Bytes()));
    ASSERT_TRUE(dib.ReduceTo8Bit(halftone()));
    EXPECT_EQ(PixelAt(Hold(dib), 0, 0), 255u);
    ASSERT_TRUE(ReadBytes(dib, Layout(40, 5, 3, 16).Bytes()));
    EXPECT_FALSE(dib.ReduceTo8Bit(halftone()));
}
