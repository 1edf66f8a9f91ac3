// COXDIB: every bitmap layout it reads, writing without loss, the archive form, blank images
// and the pixel operations. Its verdicts on hostile files are the converter's (tests/cli).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "imagefile/dib/dib.h"
#include "platform/memfile.h"
#include "tests/support/bitmap_cases.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/failing_file.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tools.h"

namespace {

// A picture in one layout; its colour table's entry i is blue i, green 255 - i, red 7i.
BmpShape Layout(int nHeaderSize, int nWidth, int nHeight, int nBits, unsigned nCompression = 0,
                int nClrUsed = 0, unsigned nGap = 0) {
    BmpShape shape = ShapeOf(nHeaderSize, nWidth, nHeight, nBits, nCompression);
    shape.nColors = nClrUsed;
    shape.nGap = nGap;
    shape.tableColour = [](int i) {
        return static_cast<std::uint32_t>((i * 7) & 0xFF) << 16 | (255u - i) << 8 | i;
    };
    return shape;
}

int TableEntries(const BmpShape& shape) {
    if (shape.nBitsPerPixel > 8)
        return 0;
    const int nFull = 1 << shape.nBitsPerPixel;
    return shape.nColors > 0 && shape.nColors < nFull ? shape.nColors : nFull;
}

// The rows the picture stores bottom first and uncompressed, as a DIB holds them.
std::string StoredRows(BmpShape shape) {
    if (shape.nCompression == 1 || shape.nCompression == 2)
        shape.nCompression = 0;
    shape.bTopDown = false;
    const std::string s = BuildBmp(shape);
    const std::size_t nOffset = GetLE32(s, 10);
    return s.substr(nOffset, BmpStride(shape.nWidth, shape.nBitsPerPixel) *
                                 static_cast<std::size_t>(shape.nHeight));
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
                       BmpStride(held.info.biWidth, nBits) * static_cast<std::size_t>(y);
    if (nBits < 8) {
        const long long nBit = static_cast<long long>(x) * nBits;
        return (pRow[nBit / 8] >> (8 - nBits - nBit % 8)) & ((1U << nBits) - 1);
    }
    unsigned v = 0;
    for (int i = nBits / 8 - 1; i >= 0; --i)
        v = (v << 8) | pRow[static_cast<std::size_t>(x) * (nBits / 8) + i];
    return v;
}

// The packed DIB of a BMP file in a global block, as another program hands one over: the header
// changed as asked, and the block nCut bytes short.
HGLOBAL PackedBlock(const std::string& sFile,
                    const std::function<void(BITMAPINFOHEADER&, BYTE* pBits)>& change = nullptr,
                    SIZE_T nCut = 0) {
    std::string sPacked = sFile.substr(14);
    if (change) {
        BITMAPINFOHEADER info;
        std::memcpy(&info, sPacked.data(), sizeof info);
        const std::size_t nOffset = static_cast<unsigned char>(sFile[10]) - 14u;
        change(info, reinterpret_cast<BYTE*>(sPacked.data()) + nOffset);
        std::memcpy(sPacked.data(), &info, sizeof info);
    }
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, sPacked.size() - nCut);
    std::memcpy(GlobalLock(h), sPacked.data(), sPacked.size() - nCut);
    GlobalUnlock(h);
    return h;
}

}  // namespace

// Every layout loads as the bottom-up DIB with a 40-byte header GDI paints: the stored rows
// uncompressed, the file's colour table; written back it reads back the same.
TEST(DIBReadTest, EveryLayoutLoadsAsABottomUpDIBWithA40ByteHeader) {
    for (const BitmapLayoutCase& c : EveryBitmapLayout()) {
        SCOPED_TRACE(c.pszWhat);
        COXDIB dib;
        ASSERT_TRUE(ReadBytes(dib, BuildBmp(c.shape)));
        const Held held = Hold(dib);
        EXPECT_EQ(held.info.biSize, 40u);
        EXPECT_EQ(dib.GetSize(), CSize(c.shape.nWidth, c.shape.nHeight));
        EXPECT_EQ(dib.GetBitCount(), c.shape.nBitsPerPixel);
        EXPECT_EQ(held.sPixels, StoredRows(c.shape));
        EXPECT_EQ(dib.GetNumColors(), TableEntries(c.shape));
        EXPECT_EQ(dib.GetPalette() != nullptr, TableEntries(c.shape) > 0);
        for (int i = 0; i < TableEntries(c.shape); ++i) {
            PALETTEENTRY entry{};
            ASSERT_EQ(dib.GetPalette()->GetPaletteEntries(static_cast<UINT>(i), 1, &entry), 1u);
            const std::uint32_t nColour = TableColourOf(c.shape, i);
            EXPECT_EQ(static_cast<std::uint32_t>(entry.peRed) << 16 |
                          static_cast<std::uint32_t>(entry.peGreen) << 8 | entry.peBlue,
                      nColour)
                << "entry " << i;
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
    BmpShape shape = Layout(40, 5, 3, 24);
    shape.bTopDown = true;
    COXDIB dib;
    ASSERT_TRUE(ReadBytes(dib, BuildBmp(shape)));
    EXPECT_EQ(dib.GetSize(), CSize(5, 3));
    EXPECT_EQ(Hold(dib).sPixels, StoredRows(shape));
}

TEST(DIBReadTest, WrittenFilesHaveTheStandardLayout) {
    COXDIB dib;
    ASSERT_TRUE(ReadBytes(dib, BuildBmp(Layout(12, 10, 2, 8))));
    const std::string sWritten = WrittenBytes(dib);
    EXPECT_EQ(sWritten.substr(0, 2), "BM");
    EXPECT_EQ(GetLE32(sWritten, 10), 14u + 40 + 1024);  // bfOffBits
    EXPECT_EQ(sWritten.size(), 14u + 40 + 1024 + 2 * 12);
    // A 24-bit image whose file gives no pixel size: 10 x 2 pixels need 2 rows of 32 bytes.
    std::string sNoSize = BuildBmp(Layout(40, 10, 2, 24));
    PutLE32(sNoSize, 34, 0);
    COXDIB dib24;
    ASSERT_TRUE(ReadBytes(dib24, sNoSize));
    EXPECT_EQ(Hold(dib24).info.biSizeImage, 64u);
    EXPECT_EQ(dib24.GetPalette(), nullptr);
}

TEST(DIBHandleTest, HandlesAreCheckedAsFilesAre) {
    const BmpShape shape = Layout(40, 5, 3, 24);
    const std::string sFile = BuildBmp(shape);
    HGLOBAL hSound = PackedBlock(sFile);
    COXDIB dib(hSound);
    EXPECT_EQ(Hold(dib).sPixels, StoredRows(shape));

    // What cannot be a picture: a core header (assignment takes 40-byte ones only), and
    // headers that promise more than the block holds.
    std::string sCore = BuildBmp(Layout(12, 5, 3, 24));
    HGLOBAL hCore = PackedBlock(sCore);
    HGLOBAL hShort = PackedBlock(sFile, nullptr, 1);
    HGLOBAL hHuge =
        PackedBlock(sFile, [](BITMAPINFOHEADER& info, BYTE*) { info.biHeight = 30000; });
    HGLOBAL hWide = PackedBlock(sFile, [](BITMAPINFOHEADER& info, BYTE*) { info.biWidth = -5; });
    for (HGLOBAL h : {hCore, hShort, hHuge, hWide}) {
        COXDIB assigned(hSound);
        assigned = h;
        EXPECT_EQ(Hold(assigned).sPixels, StoredRows(shape));
    }
    for (HGLOBAL h : {hShort, hHuge, hWide})
        EXPECT_TRUE(COXDIB(h).IsEmpty());
    EXPECT_EQ(COXDIB(hCore).GetSize(), CSize(5, 3));  // the constructor takes a core header

    // A top-down picture is held bottom-up, and written as a file of its size.
    HGLOBAL hTopDown = PackedBlock(sFile, [](BITMAPINFOHEADER& info, BYTE* pBits) {
        std::swap_ranges(pBits, pBits + 16, pBits + 32);  // rows 0 and 2 of three 16-byte rows
        info.biHeight = -info.biHeight;
    });
    COXDIB topDown(hTopDown);
    EXPECT_EQ(Hold(topDown).info.biHeight, 3);
    EXPECT_EQ(Hold(topDown).sPixels, StoredRows(shape));
    EXPECT_EQ(WrittenBytes(topDown).size(), sFile.size());
    for (HGLOBAL h : {hSound, hCore, hShort, hHuge, hWide, hTopDown})
        GlobalFree(h);
}

class DIBFileTest : public TempDirTest {};

TEST_F(DIBFileTest, APreviewReadsALargePictureAtTheSizeItIsShown) {
    for (int nBits : {1, 4, 8, 16, 24, 32}) {
        for (bool bTopDown : {false, true}) {
            SCOPED_TRACE(std::to_string(nBits) + (bTopDown ? " bits, top-down" : " bits"));
            BmpShape shape = Layout(40, 41, 29, nBits);
            shape.bTopDown = bTopDown;
            WriteFile(PathOf("large.bmp"), BuildBmp(shape));
            COXDIB whole, reduced;
            ASSERT_TRUE(whole.Read(PathOf("large.bmp").c_str()));
            ASSERT_TRUE(reduced.ReadReduced(PathOf("large.bmp").c_str(), CSize(10, 7)));
            const Held all = Hold(whole), few = Hold(reduced);
            ASSERT_EQ(reduced.GetSize(), CSize(10, 7));
            EXPECT_EQ(few.sTable, all.sTable);
            for (LONG y = 0; y < 7; ++y)  // the nearest row and column to each one's middle
                for (LONG x = 0; x < 10; ++x)
                    ASSERT_EQ(PixelAt(few, x, y),
                              PixelAt(all, (2 * x + 1) * 41 / 20, (2 * y + 1) * 29 / 14))
                        << x << "," << y;
        }
    }
    // A picture that fits is read whole; one whose rows are not all there is refused.
    COXDIB dib;
    ASSERT_TRUE(dib.ReadReduced(PathOf("large.bmp").c_str(), CSize(41, 100)));
    EXPECT_EQ(dib.GetSize(), CSize(41, 29));
    const std::string sFile = BuildBmp(Layout(40, 41, 29, 24));
    WriteFile(PathOf("cut.bmp"), sFile.substr(0, sFile.size() - 1));
    EXPECT_FALSE(dib.ReadReduced(PathOf("cut.bmp").c_str(), CSize(10, 7)));
    EXPECT_TRUE(dib.IsEmpty());
}

TEST_F(DIBFileTest, FailuresLetGoOfWhatTheyHeld) {
    // A file that failed to be written is closed, as one that was written is.
    COXDIB empty;
    CFile file(PathOf("out.bmp").c_str(), CFile::modeCreate | CFile::modeWrite);
    EXPECT_FALSE(empty.Write(&file));
    EXPECT_FALSE(file.IsOpen());
    // A read that fails inside the pixels leaves no block behind (the sanitizer run sees one).
    const std::string sFile = BuildBmp(Layout(40, 5, 3, 24));
    CFailingReads failing(sFile, sFile.size() - 8);
    COXDIB dib;
    EXPECT_FALSE(dib.Read(&failing));
    EXPECT_TRUE(dib.IsEmpty());
}

TEST_F(DIBFileTest, WritingToAPathReplacesTheFileOnlyWhenTheImageIsWhole) {
    const std::string sPath = PathOf("picture.bmp");
    WriteFile(sPath, "precious");
    COXDIB empty;
    EXPECT_FALSE(empty.Write(sPath.c_str()));
    EXPECT_EQ(ReadFile(sPath), "precious");
    EXPECT_EQ(ListFolder(m_sDir).size(), 1u);

    COXDIB dib;
    ASSERT_TRUE(ReadBytes(dib, BuildBmp(Layout(40, 5, 3, 24))));
    ASSERT_TRUE(dib.Write(sPath.c_str()));
    COXDIB again;
    ASSERT_TRUE(again.Read(sPath.c_str()));
    EXPECT_EQ(Hold(again).sPixels, StoredRows(Layout(40, 5, 3, 24)));
    EXPECT_EQ(ListFolder(m_sDir).size(), 1u);
    EXPECT_FALSE(again.Read(PathOf("missing.bmp").c_str()));
    EXPECT_TRUE(again.IsEmpty());
}

TEST(DIBArchiveTest, AnObjectIsItsClassTagAndAWholeBitmapFile) {
    COXDIB dib;
    ASSERT_TRUE(ReadBytes(dib, BuildBmp(Layout(40, 5, 3, 8))));
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

TEST(DIBArchiveTest, AnEmptyDIBBetweenOtherObjectsKeepsTheArchiveInStep) {
    COXDIB first, empty, last;
    ASSERT_TRUE(ReadBytes(first, BuildBmp(Layout(40, 5, 3, 8))));
    ASSERT_TRUE(ReadBytes(last, BuildBmp(Layout(40, 7, 2, 24))));
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar << static_cast<const CObject*>(&first) << static_cast<const CObject*>(&empty)
           << static_cast<const CObject*>(&last);
        ar.Close();
    }
    file.SeekToBegin();
    CArchive ar(&file, CArchive::load);
    COXDIB* pLoaded[3] = {};
    ar >> pLoaded[0] >> pLoaded[1] >> pLoaded[2];
    ASSERT_TRUE(pLoaded[0] != nullptr && pLoaded[1] != nullptr && pLoaded[2] != nullptr);
    EXPECT_EQ(Hold(*pLoaded[0]).sPixels, Hold(first).sPixels);
    EXPECT_TRUE(pLoaded[1]->IsEmpty());
    EXPECT_EQ(Hold(*pLoaded[2]).sPixels, Hold(last).sPixels);
    for (COXDIB* p : pLoaded)
        delete p;
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
        COXDIB original;
        ASSERT_TRUE(ReadBytes(original, BuildBmp(Layout(40, 5, 3, nBits))));
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
    ASSERT_TRUE(ReadBytes(dib, BuildBmp(Layout(40, 5, 3, 24))));
    const Held before = Hold(dib);
    EXPECT_FALSE(dib.Rotate(45, FALSE, FALSE));
    EXPECT_EQ(Hold(dib).sPixels, before.sPixels);
    EXPECT_FALSE(COXDIB().Rotate(90, FALSE, FALSE));
}

TEST(DIBPixelTest, ResizingRepeatsAndDropsColumnsAndRowsEvenly) {
    COXDIB dib;
    ASSERT_TRUE(ReadBytes(dib, BuildBmp(Layout(40, 3, 1, 8))));
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
    ASSERT_TRUE(ReadBytes(dib, BuildBmp(Layout(40, 5, 3, 4))));
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
    BmpShape shape = Layout(40, 2, 1, 24);
    shape.sPixels = std::string("\xFF\xFF\xFF\0\0\0\0\0", 8);  // white, black
    const std::string file = BuildBmp(shape);
    COXDIB dib;
    ASSERT_TRUE(ReadBytes(dib, file));
    ASSERT_TRUE(dib.ReduceTo8Bit(halftone()));
    EXPECT_EQ(dib.GetBitCount(), 8);
    EXPECT_EQ(PixelAt(Hold(dib), 0, 0), 215u);
    EXPECT_EQ(PixelAt(Hold(dib), 1, 0), 0u);
    ASSERT_NE(dib.GetPalette(), nullptr);
    // Another layout translates: white goes to the palette's last entry.
    pLog->palPalEntry[1].peRed = 128;
    ASSERT_TRUE(ReadBytes(dib, file));
    ASSERT_TRUE(dib.ReduceTo8Bit(halftone()));
    EXPECT_EQ(PixelAt(Hold(dib), 0, 0), 255u);
    ASSERT_TRUE(ReadBytes(dib, BuildBmp(Layout(40, 5, 3, 16))));
    EXPECT_FALSE(dib.ReduceTo8Bit(halftone()));
}
