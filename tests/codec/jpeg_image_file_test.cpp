// The JPEG file's coefficient transfers, a lossless copy from one file to another, and its
// source's reading at the edges of its buffer.
#include <gtest/gtest.h>

#include "tests/codec/conversion_fixture.h"

TEST_F(ConversionTest, CoefficientsCopyLosslesslyToAnotherFile) {
    MakeJpeg(70, 45);  // pic.jpg
    COXJPEGImageFile source{CString(PathOf("pic.jpg").c_str())};
    COXJPEGImageFile copy{CString(PathOf("copy.jpg").c_str())};
    source.Open(CFile::modeRead);
    copy.Open(CFile::modeCreate | CFile::modeWrite);
    jpeg_decompress_struct in{};
    jpeg_compress_struct out{};
    jpeg_error_mgr inErr{}, outErr{};
    in.err = jpeg_std_error(&inErr);
    out.err = jpeg_std_error(&outErr);
    jpeg_create_decompress(&in);
    jpeg_create_compress(&out);

    source.ReadHeader(&in);
    jvirt_barray_ptr* pCoefficients = source.ReadCoefficients(&in);
    copy.CopyCriticalParameters(&in, &out);
    copy.SetDestination(&out, TRUE);
    copy.WriteCoefficients(&out, pCoefficients);
    copy.FinishCompress(&out);
    source.FinishDecompress(&in);
    jpeg_destroy_compress(&out);
    jpeg_destroy_decompress(&in);
    copy.Close();
    source.Close();

    // Other bytes (the tables are written afresh), the same picture.
    EXPECT_EQ(Decompress(PathOf("pic.jpg"), PathOf("pic.bmp")).nResult, JPEG_SUCCESS);
    EXPECT_EQ(Decompress(PathOf("copy.jpg"), PathOf("copy.bmp")).nResult, JPEG_SUCCESS);
    EXPECT_TRUE(ReadFile(PathOf("copy.bmp")) == ReadFile(PathOf("pic.bmp")));
}

// The source reads 4096 bytes at a time: a JPEG that ends exactly at a buffer's end, and comments
// that libjpeg skips across one or two refills, decode cleanly to the same bitmap.
TEST_F(ConversionTest, BufferBoundariesAndSkipsAcrossRefillsDecodeCleanly) {
    const std::string sJpeg = MakeJpeg(40, 30);
    ASSERT_LT(sJpeg.size(), 4096u - 4);
    WriteFile(PathOf("plain.jpg"), sJpeg);
    ASSERT_EQ(Decompress(PathOf("plain.jpg"), PathOf("plain.bmp")).nResult, JPEG_SUCCESS);
    // sJpeg with a comment of nBytes after its start-of-image marker.
    auto withComment = [&](std::size_t nBytes) {
        const std::size_t nLength = nBytes + 2;
        return sJpeg.substr(0, 2) + "\xFF\xFE" + static_cast<char>(nLength >> 8) +
               static_cast<char>(nLength & 0xFF) + std::string(nBytes, 'c') + sJpeg.substr(2);
    };
    for (std::size_t nComment : {4096 - sJpeg.size() - 4, std::size_t{6000}, std::size_t{9000}}) {
        SCOPED_TRACE(nComment);
        const std::string sPadded = withComment(nComment);
        EXPECT_TRUE(nComment >= 6000 || sPadded.size() == 4096u);
        WriteFile(PathOf("padded.jpg"), sPadded);
        const RunOutcome outcome = Decompress(PathOf("padded.jpg"), PathOf("padded.bmp"));
        EXPECT_EQ(outcome.nResult, JPEG_SUCCESS) << outcome.sMessage;
        EXPECT_EQ(outcome.sWarnings, "");
        EXPECT_TRUE(ReadFile(PathOf("padded.bmp")) == ReadFile(PathOf("plain.bmp")));
    }
}
