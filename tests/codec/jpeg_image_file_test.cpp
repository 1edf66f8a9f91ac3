// The JPEG file's coefficient transfers: a lossless copy from one file to another.
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
