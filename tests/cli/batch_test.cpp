// tarnel-cli's batch form: many files and folders, what each comes to, the summary and the exit
// code, and several conversions at once giving what one at a time gives.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/cli_options.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/cli/run_cli.h"
#include "tests/support/tools.h"

namespace {

class BatchTest : public TempDirTest {
protected:
    // A path in the test's folder as the batch shows it: with the system's own separators.
    std::string Shown(const std::string& sName) const {
        return std::filesystem::u8path(PathOf(sName)).make_preferred().u8string();
    }
    // A bitmap at sName (folders made as needed), each picture its own.
    std::string Bitmap(const std::string& sName, int nSeed) {
        BmpShape shape;
        shape.nSeed = nSeed;
        shape.nWidth = 40 + nSeed;
        std::filesystem::create_directories(std::filesystem::path(PathOf(sName)).parent_path());
        WriteFile(PathOf(sName), BuildBmp(shape));
        return PathOf(sName);
    }
    // What the form with one source and one destination makes of sSource.
    std::string SingleJpeg(const std::string& sSource) {
        const std::string sJpeg = PathOf("single.jpg");
        EXPECT_EQ(RunTarnelCli({"compress", sSource, sJpeg, "--yes", "-q", "90"}), 0);
        return ReadFile(sJpeg);
    }
};

}  // namespace

TEST(BatchOptionsTest, TheFormFollowsThePathsAndOptions) {
    const struct {
        std::vector<const char*> args;
        bool bBatch;
    } cases[] = {
        {{"compress", "a.bmp", "b.jpg"}, false},
        {{"compress", "a.bmp", "b"}, false},
        {{"compress", "a.bmp"}, true},
        {{"compress", "a.bmp", "b.BMP"}, true},  // two bitmaps, never one written over the other
        {{"uncompress", "a.jpg", "b.jpeg"}, true},
        {{"compress", "a.bmp", "b.jpg", "c.bmp"}, true},
        {{"compress", "a.bmp", "b.jpg", "-j", "1"}, true},
        {{"compress", "dir", "-r"}, true},
    };
    for (const auto& c : cases) {
        CliOptions o;
        std::string sError;
        ASSERT_TRUE(ParseCliOptions(static_cast<int>(c.args.size()), c.args.data(), o, sError))
            << sError;
        EXPECT_EQ(o.bBatch, c.bBatch) << c.args[1];
    }
    CliOptions o;
    std::string sError;
    const char* const args[] = {
        "uncompress", "a.jpg", "--out-dir=out", "-r", "--jobs", "3", "--quiet", "-c", "16"};
    ASSERT_TRUE(ParseCliOptions(9, args, o, sError)) << sError;
    EXPECT_EQ(o.inputs, std::vector<std::string>{"a.jpg"});
    EXPECT_EQ(o.sOutDir, "out");
    EXPECT_TRUE(o.bRecursive && o.bQuiet);
    EXPECT_EQ(o.nJobs, 3);
    EXPECT_EQ(o.decoder.nColors, 16);
}

TEST(BatchOptionsTest, ProgressLineTellsFilesBytesRateAndTimeLeft) {
    EXPECT_EQ(ProgressLine({0, 4, 0, 8000000, 0.0}), "0/4 ファイル  0.0/8.0 MB");
    EXPECT_EQ(ProgressLine({1, 4, 2000000, 8000000, 0.5}),
              "1/4 ファイル  2.0/8.0 MB  4.0 MB/s  残り 0:02");
    EXPECT_EQ(ProgressLine({10, 100, 60000000, 660000000, 60.0}),
              "10/100 ファイル  60.0/660.0 MB  1.0 MB/s  残り 10:00");
}

TEST_F(BatchTest, FoldersAreMirroredAndEveryFileComesToItsOwnResult) {
    const std::string sTop = Bitmap("in/top.bmp", 1);
    const std::string sDeep = Bitmap("in/a/b/deep.DIB", 2);
    Bitmap("in/a/other.bmp", 3);
    WriteFile(PathOf("in/a/broken.bmp"), "BM not a bitmap");
    WriteFile(PathOf("in/notes.txt"), "not taken by the walk");
    const std::string sOut = PathOf("out");

    std::string sStdout, sErr;
    EXPECT_EQ(RunTarnelCli({"compress", PathOf("in"), PathOf("missing.bmp"), "-r", "--out-dir",
                            sOut, "-q", "90"},
                           &sStdout, &sErr),
              1);
    EXPECT_EQ(sStdout, "変換 3, 警告付き 0, 失敗 2, スキップ 0\n");
    EXPECT_NE(sErr.find("tarnel-cli: " + Shown("in/a/broken.bmp") + ": "), std::string::npos);
    EXPECT_NE(sErr.find("tarnel-cli: " + Shown("missing.bmp") + ": ファイルがありません"),
              std::string::npos);
    EXPECT_EQ(ReadFile(sOut + "/top.jpg"), SingleJpeg(sTop));
    EXPECT_EQ(ReadFile(sOut + "/a/b/deep.jpg"), SingleJpeg(sDeep));
    EXPECT_TRUE(Exists(sOut + "/a/other.jpg"));
    EXPECT_FALSE(Exists(sOut + "/a/broken.jpg"));
    EXPECT_FALSE(Exists(sOut + "/notes.jpg"));
    EXPECT_EQ(ListFolder(sOut + "/a").size(), 2u);  // other.jpg and b/: no temporary file

    // Run again: the outputs are there, so each is skipped and counted, and nothing failed.
    EXPECT_EQ(RunTarnelCli({"compress", PathOf("in"), "-r", "--out-dir", sOut, "--quiet"}, &sStdout,
                           &sErr),
              1);  // broken.bmp still fails
    EXPECT_EQ(
        sStdout,
        "変換 0, 警告付き 0, 失敗 1, スキップ 3 (出力が既にあります。--yes で置き換えます)\n");

    // A folder with no bitmap in it: nothing to do, and the user is told so.
    EXPECT_EQ(RunTarnelCli({"compress", sOut, "-r"}, &sStdout, &sErr), 0);
    EXPECT_EQ(sErr, "tarnel-cli: 変換するビットマップ (.bmp, .dib) が見つかりません\n");
}

TEST_F(BatchTest, OutputsBesideInputsAreReplacedOnlyWithYes) {
    const std::string sA = Bitmap("a.bmp", 1);
    Bitmap("b.bmp", 2);
    WriteFile(PathOf("a.jpg"), "old");
    std::string sStdout;
    EXPECT_EQ(RunTarnelCli({"compress", sA, PathOf("b.bmp")}, &sStdout), 0);
    EXPECT_EQ(
        sStdout,
        "変換 1, 警告付き 0, 失敗 0, スキップ 1 (出力が既にあります。--yes で置き換えます)\n");
    EXPECT_EQ(ReadFile(PathOf("a.jpg")), "old");
    EXPECT_TRUE(Exists(PathOf("b.jpg")));
    EXPECT_EQ(RunTarnelCli({"compress", sA, PathOf("b.bmp"), "--yes", "-q", "90"}, &sStdout), 0);
    EXPECT_EQ(sStdout, "変換 2, 警告付き 0, 失敗 0, スキップ 0\n");
    EXPECT_EQ(ReadFile(PathOf("a.jpg")), SingleJpeg(sA));
}

TEST_F(BatchTest, OutputsThatWouldMeetAreRefusedBeforeAnythingIsWritten) {
    Bitmap("x.bmp", 1);
    Bitmap("x.dib", 2);
    WriteFile(PathOf("y.jpg"), "a JPEG named as an input");
    std::string sStdout, sErr;
    // x.bmp named twice is one input.
    EXPECT_EQ(RunTarnelCli({"compress", PathOf("x.bmp"), PathOf("x.dib"), PathOf("y.jpg"),
                            PathOf("./x.bmp")},
                           &sStdout, &sErr),
              1);
    EXPECT_EQ(sStdout, "変換 1, 警告付き 0, 失敗 2, スキップ 0\n");
    EXPECT_NE(sErr.find("は " + Shown("x.bmp") + " の出力と重なります"), std::string::npos);
    EXPECT_NE(sErr.find("が入力のひとつと同じです"), std::string::npos);
    EXPECT_EQ(ReadFile(PathOf("y.jpg")), "a JPEG named as an input");
}

TEST_F(BatchTest, WarningsGiveTheirOwnExitCode) {
    ASSERT_EQ(RunTarnelCli({"compress", Bitmap("a.bmp", 1), PathOf("a.jpg")}), 0);
    const std::string sJpeg = ReadFile(PathOf("a.jpg"));
    std::filesystem::create_directory(PathOf("in"));
    WriteFile(PathOf("in/cut.jpg"), sJpeg.substr(0, sJpeg.size() - 100));
    WriteFile(PathOf("in/whole.jpg"), sJpeg);
    std::string sStdout, sErr;
    EXPECT_EQ(RunTarnelCli({"uncompress", PathOf("in"), "-r"}, &sStdout, &sErr), 3);
    EXPECT_EQ(sStdout, "変換 1, 警告付き 1, 失敗 0, スキップ 0\n");
    EXPECT_EQ(sErr, "tarnel-cli: " + Shown("in/cut.jpg") + ": 警告: Premature end of JPEG file\n");
}

// Run under ThreadSanitizer too: the conversions share the coders' registry and the files'
// temporary names.
TEST_F(BatchTest, ManyAtOnceGiveWhatOneAtATimeGives) {
    std::vector<std::string> args{"compress", PathOf("in"), "-r", "--yes", "-p"};
    for (int i = 0; i < 24; ++i)
        Bitmap("in/" + std::to_string(i % 3) + "/p" + std::to_string(i) + ".bmp", i);
    auto run = [&](const char* pszJobs, const std::string& sOut) {
        std::vector<std::string> a = args;
        a.insert(a.end(), {"-j", pszJobs, "--out-dir", PathOf(sOut)});
        std::string sStdout;
        EXPECT_EQ(RunTarnelCli(a, &sStdout), 0);
        EXPECT_EQ(sStdout, "変換 24, 警告付き 0, 失敗 0, スキップ 0\n");
    };
    run("1", "one");
    run("8", "many");
    for (int i = 0; i < 24; ++i) {
        const std::string sName = std::to_string(i % 3) + "/p" + std::to_string(i) + ".jpg";
        EXPECT_EQ(ReadFile(PathOf("many/" + sName)), ReadFile(PathOf("one/" + sName))) << sName;
    }
    // The other direction, both at once from the same files.
    std::string sStdout;
    EXPECT_EQ(RunTarnelCli({"uncompress", PathOf("many"), "-r", "-j", "8", "--out-dir",
                            PathOf("back"), "--colors", "64"},
                           &sStdout),
              0);
    EXPECT_EQ(sStdout, "変換 24, 警告付き 0, 失敗 0, スキップ 0\n");
}
