// The coders' error model: routing through the registry, message formatting, warning
// collection and fatal errors arriving as COXJPEGException from inside and outside libjpeg.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "codec/jpeg_coder.h"
#include "libjpeg/libjpeg_call.h"

namespace {

class TestCoder : public COXJPEGCoder {
public:
    static int RegisteredCount() { return m_mapCoders.GetCount(); }
    void Register(void* cinfo) { m_mapCoders.SetAt(cinfo, this); }
    static void Unregister(void* cinfo) { m_mapCoders.RemoveKey(cinfo); }
    using COXJPEGCoder::RunResult;
};

using ExceptionPtr = std::unique_ptr<COXJPEGException, void (*)(COXJPEGException*)>;
ExceptionPtr Own(COXJPEGException* e) {
    return ExceptionPtr(e, [](COXJPEGException* p) {
        if (p)
            p->Delete();
    });
}

// One decompression run the way the coders make it: registered before the error manager
// and the object exist, unregistered whatever way it ends. Returns the exception, if any.
template <typename Step>
ExceptionPtr RunDecompress(TestCoder& coder, Step step) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    coder.Register(&cinfo);
    coder.InitErrorManager(&jerr);
    cinfo.err = &jerr;
    try {
        CallLibjpeg([&] { jpeg_create_decompress(&cinfo); });
        step(&cinfo);
        CallLibjpeg([&] { jpeg_destroy_decompress(&cinfo); });
    } catch (COXJPEGException* e) {
        TestCoder::Unregister(&cinfo);
        return Own(e);
    }
    TestCoder::Unregister(&cinfo);
    return Own(nullptr);
}

// A small real JPEG, made with libjpeg's own error handling.
std::vector<unsigned char> MakeJpeg(int nWidth, int nHeight) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* pOut = nullptr;
    unsigned long nOut = 0;
    jpeg_mem_dest(&cinfo, &pOut, &nOut);
    cinfo.image_width = static_cast<JDIMENSION>(nWidth);
    cinfo.image_height = static_cast<JDIMENSION>(nHeight);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(nWidth) * 3);
    for (int y = 0; y < nHeight; ++y) {
        for (std::size_t x = 0; x < row.size(); ++x)
            row[x] = static_cast<JSAMPLE>((x * 7 + static_cast<std::size_t>(y) * 13) & 0xFF);
        JSAMPROW pRow = row.data();
        jpeg_write_scanlines(&cinfo, &pRow, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<unsigned char> jpeg(pOut, pOut + nOut);
    std::free(pOut);
    return jpeg;
}

void DecodeAll(j_decompress_ptr cinfo) {
    CallLibjpeg([&] { jpeg_read_header(cinfo, TRUE); });
    CallLibjpeg([&] { jpeg_start_decompress(cinfo); });
    std::vector<JSAMPLE> row(cinfo->output_width *
                             static_cast<JDIMENSION>(cinfo->output_components));
    JSAMPROW pRow = row.data();
    while (cinfo->output_scanline < cinfo->output_height)
        CallLibjpeg([&] { return jpeg_read_scanlines(cinfo, &pRow, 1); });
    CallLibjpeg([&] { return jpeg_finish_decompress(cinfo); });
}

// A source manager in our own code whose first fill finds nothing, so that the error is
// raised by a C++ callback with libjpeg frames below and above it.
void InitEmptySource(j_decompress_ptr cinfo, jpeg_source_mgr* pSrc) {
    std::memset(pSrc, 0, sizeof *pSrc);
    pSrc->init_source = [](j_decompress_ptr) {};
    pSrc->fill_input_buffer = [](j_decompress_ptr c) -> boolean {
        ERREXIT(c, JERR_INPUT_EMPTY);
        return TRUE;
    };
    pSrc->skip_input_data = [](j_decompress_ptr, long) {};
    pSrc->resync_to_restart = jpeg_resync_to_restart;
    pSrc->term_source = [](j_decompress_ptr) {};
    cinfo->src = pSrc;
}

std::string Format(jpeg_error_mgr& jerr) {
    char sz[JMSG_LENGTH_MAX];
    FormatJPEGMessage(&jerr, sz);
    return sz;
}

}  // namespace

TEST(JPEGCoderErrorExitTest, FatalErrorInsideLibjpegBecomesTheException) {
    TestCoder coder;
    auto e = RunDecompress(coder, [](j_decompress_ptr cinfo) {
        CallLibjpeg([&] { jpeg_mem_src(cinfo, nullptr, 0); });
    });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->m_nErrorCode, JERR_INPUT_EMPTY);
    EXPECT_STREQ(e->m_sMessage, "Empty input file");
    EXPECT_STREQ(coder.GetWarningMessages(), "Empty input file\n");
    EXPECT_EQ(TestCoder::RegisteredCount(), 0);
}

TEST(JPEGCoderErrorExitTest, CallInTheWrongStateIsFormattedWithItsIntegers) {
    TestCoder coder;
    auto e = RunDecompress(coder, [](j_decompress_ptr cinfo) {
        JSAMPLE sample[8];
        JSAMPROW pRow = sample;
        CallLibjpeg([&] { return jpeg_read_scanlines(cinfo, &pRow, 1); });
    });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->m_nErrorCode, JERR_BAD_STATE);
    EXPECT_STREQ(e->m_sMessage, "Improper call to JPEG library in state 200");
    EXPECT_EQ(TestCoder::RegisteredCount(), 0);
}

TEST(JPEGCoderErrorExitTest, ErrorFromOurCallbackUnderLibjpegAndFromOurOwnCode) {
    TestCoder coder;
    jpeg_source_mgr src;
    auto e = RunDecompress(coder, [&](j_decompress_ptr cinfo) {
        InitEmptySource(cinfo, &src);
        CallLibjpeg([&] { return jpeg_read_header(cinfo, TRUE); });
    });
    ASSERT_TRUE(e);
    EXPECT_STREQ(e->m_sMessage, "Empty input file");

    // An image file's own check raises outside any libjpeg call: its code has no table entry.
    e = RunDecompress(coder, [](j_decompress_ptr cinfo) { ERREXIT(cinfo, 1007); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->m_nErrorCode, 1007);
    EXPECT_STREQ(e->m_sMessage, "Bogus message code 1007");
    EXPECT_EQ(TestCoder::RegisteredCount(), 0);
}

TEST(JPEGCoderErrorExitTest, LibjpegCallsNestAndUnwindToTheInnermost) {
    TestCoder coder;
    std::string sInner;
    auto e = RunDecompress(coder, [&](j_decompress_ptr cinfo) {
        CallLibjpeg([&] {
            try {
                CallLibjpeg([&] { jpeg_mem_src(cinfo, nullptr, 0); });
            } catch (COXJPEGException* pInner) {
                sInner = pInner->m_sMessage;
                pInner->Delete();
            }
        });
        ERREXIT(cinfo, JERR_NOT_COMPILED);
    });
    EXPECT_EQ(sInner, "Empty input file");
    ASSERT_TRUE(e);
    EXPECT_STREQ(e->m_sMessage, "Requested feature was omitted at compile time");
}

TEST(JPEGCoderWarningTest, OnlyTheFirstWarningIsRecordedButAllAreCounted) {
    TestCoder coder;
    int nWarnings = 0;
    auto e = RunDecompress(coder, [&](j_decompress_ptr cinfo) {
        WARNMS(cinfo, JWRN_JPEG_EOF);
        WARNMS1(cinfo, JWRN_ADOBE_XFORM, 9);
        nWarnings = cinfo->err->num_warnings;
    });
    EXPECT_FALSE(e);
    EXPECT_EQ(nWarnings, 2);
    EXPECT_STREQ(coder.GetWarningMessages(), "Premature end of JPEG file\n");
    EXPECT_EQ(coder.RunResult(), JPEG_WARNING);
}

TEST(JPEGCoderWarningTest, FatalErrorAfterAWarningKeepsBothLinesButThrowsOnlyTheFatal) {
    TestCoder coder;
    auto e = RunDecompress(coder, [](j_decompress_ptr cinfo) {
        WARNMS(cinfo, JWRN_JPEG_EOF);
        ERREXIT(cinfo, JERR_FILE_WRITE);
    });
    ASSERT_TRUE(e);
    EXPECT_STREQ(e->m_sMessage, "Output file write error --- out of disk space?");
    EXPECT_STREQ(coder.GetWarningMessages(),
                 "Premature end of JPEG file\nOutput file write error --- out of disk space?\n");
}

TEST(JPEGCoderWarningTest, TraceMessagesFollowTheTraceLevel) {
    TestCoder coder;
    auto e = RunDecompress(coder, [](j_decompress_ptr cinfo) {
        TRACEMS(cinfo, 1, JTRC_EOI);  // dropped at trace level 0
        TRACEMS(cinfo, 0, JTRC_SMOOTH_NOTIMPL);
        cinfo->err->trace_level = 3;  // with tracing every warning counts
        cinfo->err->num_warnings = 5;
        WARNMS(cinfo, JWRN_HIT_MARKER);
    });
    EXPECT_FALSE(e);
    EXPECT_STREQ(coder.GetWarningMessages(),
                 "Smoothing not supported with nonstandard sampling ratios\n"
                 "Corrupt JPEG data: premature end of data segment\n");
}

TEST(JPEGCoderWarningTest, TruncatedJpegWarnsOnceAndResetStartsAfresh) {
    std::vector<unsigned char> jpeg = MakeJpeg(64, 64);
    TestCoder coder;
    auto e = RunDecompress(coder, [&](j_decompress_ptr cinfo) {
        WARNMS(cinfo, JWRN_EXTRANEOUS_DATA);  // before the datastream: reset forgets it
        CallLibjpeg([&] { jpeg_mem_src(cinfo, jpeg.data(), jpeg.size() / 2); });
        DecodeAll(cinfo);
    });
    EXPECT_FALSE(e);
    EXPECT_STREQ(coder.GetWarningMessages(), "Premature end of JPEG file\n");

    TestCoder clean;
    e = RunDecompress(clean, [&](j_decompress_ptr cinfo) {
        CallLibjpeg([&] { jpeg_mem_src(cinfo, jpeg.data(), jpeg.size()); });
        DecodeAll(cinfo);
    });
    EXPECT_FALSE(e);
    EXPECT_STREQ(clean.GetWarningMessages(), "");
    EXPECT_EQ(clean.RunResult(), JPEG_SUCCESS);
}

TEST(JPEGCoderRegistryTest, CallbacksReachTheCoderThatRunsTheObject) {
    TestCoder first, second;
    jpeg_decompress_struct a{}, b{};
    jpeg_error_mgr errA, errB;
    first.InitErrorManager(&errA);
    second.InitErrorManager(&errB);
    a.err = &errA;
    b.err = &errB;
    first.Register(&a);
    second.Register(&b);
    WARNMS(&b, JWRN_JPEG_EOF);
    EXPECT_STREQ(first.GetWarningMessages(), "");
    EXPECT_STREQ(second.GetWarningMessages(), "Premature end of JPEG file\n");
    TestCoder::Unregister(&a);
    TestCoder::Unregister(&b);

    // Unregistered: the message callbacks do nothing at all.
    WARNMS(&b, JWRN_JPEG_EOF);
    (*errB.reset_error_mgr)(reinterpret_cast<j_common_ptr>(&b));
    EXPECT_STREQ(second.GetWarningMessages(), "Premature end of JPEG file\n");
    EXPECT_EQ(errB.num_warnings, 1);
    EXPECT_EQ(TestCoder::RegisteredCount(), 0);
}

TEST(JPEGCoderRegistryTest, ErrorExitForAnUnregisteredObjectStillNeverReturns) {
    TestCoder coder;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    coder.InitErrorManager(&jerr);
    cinfo.err = &jerr;
    jpeg_create_decompress(&cinfo);
    try {
        ERREXIT(&cinfo, JERR_INPUT_EMPTY);
        ADD_FAILURE() << "error_exit returned";
    } catch (COXJPEGException* e) {
        EXPECT_STREQ(e->m_sMessage, "Empty input file");
        e->Delete();
    }
    EXPECT_EQ(cinfo.mem, nullptr);  // destroyed like a registered run's object
}

TEST(JPEGMessageFormatTest, UnknownCodesUseTheBogusEntry) {
    jpeg_error_mgr jerr;
    TestCoder().InitErrorManager(&jerr);
    EXPECT_EQ(jerr.last_jpeg_message, JMSG_LASTMSGCODE - 1);
    jerr.msg_code = 0;
    EXPECT_EQ(Format(jerr), "Bogus message code 0");
    jerr.msg_code = 500;
    EXPECT_EQ(Format(jerr), "Bogus message code 500");
    jerr.msg_code = -3;
    EXPECT_EQ(Format(jerr), "Bogus message code -3");
}

TEST(JPEGMessageFormatTest, FirstConversionDecidesStringOrIntegers) {
    jpeg_error_mgr jerr;
    TestCoder().InitErrorManager(&jerr);
    jerr.msg_code = JERR_TFILE_CREATE;
    std::strcpy(jerr.msg_parm.s, "/tmp/jpeg-swap");
    EXPECT_EQ(Format(jerr), "Failed to create temporary file /tmp/jpeg-swap");

    // A string parameter that fills its whole array has no terminator of its own.
    std::memset(jerr.msg_parm.s, 'a', JMSG_STR_PARM_MAX);
    EXPECT_EQ(Format(jerr),
              "Failed to create temporary file " + std::string(JMSG_STR_PARM_MAX, 'a'));

    jerr.msg_code = JWRN_JFIF_MAJOR;
    jerr.msg_parm.i[0] = 1;
    jerr.msg_parm.i[1] = 2;
    EXPECT_EQ(Format(jerr), "Warning: unknown JFIF revision number 1.02");

    static const char* const addon[] = {"%d of %d done, %s", "100%% %s", "no parameters"};
    jerr.addon_message_table = addon;
    jerr.first_addon_message = 2000;
    jerr.last_addon_message = 2002;
    jerr.msg_parm.i[0] = 3;
    jerr.msg_parm.i[1] = 4;
    jerr.msg_code = 2000;  // integers; the late %s has no parameter and prints nothing
    EXPECT_EQ(Format(jerr), "3 of 4 done, ");
    jerr.msg_code = 2001;  // first '%' is not followed by 's': integers again
    EXPECT_EQ(Format(jerr), "100% ");
    jerr.msg_code = 2002;
    EXPECT_EQ(Format(jerr), "no parameters");
}

TEST(JPEGMessageFormatTest, OutputNeverExceedsTheMessageBuffer) {
    jpeg_error_mgr jerr;
    TestCoder().InitErrorManager(&jerr);
    static const char* const addon[] = {"%300d"};
    jerr.addon_message_table = addon;
    jerr.first_addon_message = jerr.last_addon_message = 3000;
    jerr.msg_code = 3000;
    jerr.msg_parm.i[0] = 1;
    EXPECT_EQ(Format(jerr).size(), static_cast<std::size_t>(JMSG_LENGTH_MAX - 1));
}

TEST(JPEGExceptionTest, GetErrorMessageCopiesLikeLstrcpyn) {
    COXJPEGException e(JERR_INPUT_EMPTY, "Premature end of JPEG file");
    char sz[64];
    UINT nHelp = 7;
    EXPECT_TRUE(e.GetErrorMessage(sz, 10, &nHelp));
    EXPECT_STREQ(sz, "Premature");
    EXPECT_EQ(nHelp, 7u);
    EXPECT_TRUE(e.GetErrorMessage(sz, sizeof sz));
    EXPECT_STREQ(sz, "Premature end of JPEG file");
    EXPECT_TRUE(e.IsKindOf(RUNTIME_CLASS(CException)));
    EXPECT_TRUE(e.m_bAutoDelete);
}
