// Runs of the encoder and the decoder over real files, with what they returned or threw.
#pragma once

#include <string>

#include "codec/jpeg_decoder.h"
#include "codec/jpeg_encoder.h"
#include "codec/jpeg_image_file.h"
#include "imagefile/bitmap_file.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"

struct RunOutcome {
    short nResult = -1;  // -1 when the run threw
    int nErrorCode = 0;  // the exception's code
    std::string sMessage;
    std::string sWarnings;
};

class ConversionTest : public TempDirTest {
protected:
    template <typename Configure>
    RunOutcome Decompress(const std::string& sJpegPath, const std::string& sBmpPath,
                          Configure configure) {
        COXJPEGImageFile jpeg{CString(sJpegPath.c_str())};
        COXBitmapFile bitmap{CString(sBmpPath.c_str())};
        COXJPEGDecoder decoder;
        configure(decoder, bitmap);
        RunOutcome outcome;
        try {
            outcome.nResult = decoder.DoDecompress(&jpeg, &bitmap);
        } catch (COXJPEGException* e) {
            outcome.nErrorCode = e->m_nErrorCode;
            outcome.sMessage = static_cast<LPCTSTR>(e->m_sMessage);
            e->Delete();
        }
        outcome.sWarnings = static_cast<LPCTSTR>(decoder.GetWarningMessages());
        return outcome;
    }
    RunOutcome Decompress(const std::string& sJpegPath, const std::string& sBmpPath) {
        return Decompress(sJpegPath, sBmpPath, [](COXJPEGDecoder&, COXBitmapFile&) {});
    }

    RunOutcome Compress(const std::string& sBmpPath, const std::string& sJpegPath) {
        COXBitmapFile bitmap{CString(sBmpPath.c_str())};
        COXJPEGImageFile jpeg{CString(sJpegPath.c_str())};
        COXJPEGEncoder encoder;
        RunOutcome outcome;
        try {
            outcome.nResult = encoder.DoCompress(&bitmap, &jpeg);
        } catch (COXJPEGException* e) {
            outcome.nErrorCode = e->m_nErrorCode;
            outcome.sMessage = static_cast<LPCTSTR>(e->m_sMessage);
            e->Delete();
        }
        return outcome;
    }

    // A real JPEG of a generated picture, made by our own encoder.
    std::string MakeJpeg(int nWidth, int nHeight) {
        BmpShape shape;
        shape.nWidth = nWidth;
        shape.nHeight = nHeight;
        WriteFile(PathOf("pic.bmp"), BuildBmp(shape));
        EXPECT_EQ(Compress(PathOf("pic.bmp"), PathOf("pic.jpg")).nResult, 0);
        return ReadFile(PathOf("pic.jpg"));
    }
};
