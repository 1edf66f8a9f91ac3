// tarnel-cli: the command line, and the dialog's rules for sources, overwriting and reporting.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "cli/cli.h"
#include "cli/cli_options.h"
#include "cli/messages.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/cli/run_cli.h"
#include "tests/support/tools.h"

namespace {

bool Parse(std::vector<const char*> args, CliOptions& o, std::string& sError) {
    return ParseCliOptions(static_cast<int>(args.size()), args.data(), o, sError);
}

class CliTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        sBmp = PathOf("photo.bmp");
        sJpg = PathOf("photo.jpg");
        WriteFile(sBmp, BuildBmp(BmpShape()));
    }
    std::string sBmp, sJpg;
};

}  // namespace

TEST(CliOptionsTest, MapsEveryOptionWrittenAnyOfTheUsualWays) {
    CliOptions o;
    std::string sError;
    // Joined one-letter options with a value at the end, "=" values, "--" before a path.
    ASSERT_TRUE(
        Parse({"compress", "-gq90", "--progressive", "--baseline", "--optimize", "--smooth=7",
               "--dct", "float", "--max-memory", "500", "--", "-a.bmp", "b.jpg"},
              o, sError))
        << sError;
    EXPECT_EQ(o.sSource, "-a.bmp");
    EXPECT_EQ(o.sDestination, "b.jpg");
    EXPECT_EQ(o.encoder.nQuality, 90);
    EXPECT_TRUE(o.encoder.bGrayscale && o.encoder.bProgressive && o.encoder.bBaseline &&
                o.encoder.bOptimize);
    EXPECT_EQ(o.encoder.nSmooth, 7);
    EXPECT_EQ(o.encoder.nDCTMethod, 3);
    EXPECT_EQ(o.encoder.nMaxMemory, 500);

    ASSERT_TRUE(
        Parse({"uncompress", "a.jpg", "b.bmp", "-c8", "--scale", "1/8", "--dither", "ordered",
               "--dct", "ifast", "--os2", "--fast", "--nosmooth", "--onepass", "-yt"},
              o, sError))
        << sError;
    EXPECT_EQ(o.decoder.nColors, 8);
    EXPECT_EQ(o.decoder.nScale, 4);
    EXPECT_EQ(o.decoder.nDitherMethod, 2);
    EXPECT_EQ(o.decoder.nDCTMethod, 2);
    EXPECT_TRUE(o.decoder.bOS2Format && o.decoder.bFast && o.decoder.bNoSmooth &&
                o.decoder.bOnePass && o.bYes && o.bTime);
    ASSERT_TRUE(Parse({"-V"}, o, sError));
    EXPECT_EQ(o.command, CliCommand::Version);
}

TEST(CliOptionsTest, RejectsWhatItCannotUnderstandWithAReason) {
    CliOptions o;
    std::string sError;
    const std::vector<std::vector<const char*>> bad = {
        {},
        {"convert", "a", "b"},
        {"compress", "-j", "2"},  // no input
        {"compress", "a.bmp", "-j", "0"},
        {"compress", "a.bmp", "--out-dir="},
        {"transform", "a.bmp", "b.bmp", "-r"},            // a batch option on the single form
        {"compress", "a.bmp", "b.jpg", "--colors", "8"},  // an uncompress option
        {"compress", "a.bmp", "b.jpg", "--quality"},
        {"compress", "a.bmp", "b.jpg", "--quality", "-5"},
        {"compress", "a.bmp", "b.jpg", "--quality", "7x"},
        {"compress", "a.bmp", "b.jpg", "--quality", "99999999999"},
        {"compress", "a.bmp", "b.jpg", "--quality", "101"},
        {"compress", "a.bmp", "b.jpg", "--smooth", "101"},
        {"uncompress", "a.jpg", "b.bmp", "-c", "257"},
        {"uncompress", "a.jpg", "b.bmp", "-c", "7"},
        {"compress", "a.bmp", "b.jpg", "-qx"},
        {"compress", "a.bmp", "b.jpg", "--grayscale=1"},
        {"uncompress", "a.jpg", "b.bmp", "--scale", "1/3"},
        {"uncompress", "a.jpg", "b.bmp", "--dither", "random"},
    };
    for (const auto& args : bad) {
        EXPECT_FALSE(Parse(args, o, sError)) << (args.empty() ? "" : args.back());
        EXPECT_FALSE(sError.empty());
    }
    ASSERT_TRUE(Parse({"compress", "--help"}, o, sError));
    EXPECT_EQ(o.command, CliCommand::Help);
}

TEST_F(CliTest, ExistingDestinationIsReplacedOnlyWhenAllowed) {
    WriteFile(sJpg, "old");
    std::string sErr;
    // No terminal and no --yes: refused, untouched.
    EXPECT_EQ(RunTarnelCli({"compress", sBmp, sJpg}, nullptr, &sErr), kExitFailure);
    EXPECT_NE(sErr.find("すでに " + sJpg + " は存在します 上書きしますか？"), std::string::npos);
    EXPECT_NE(sErr.find("端末から確認できないため上書きしません"), std::string::npos);
    EXPECT_EQ(ReadFile(sJpg), "old");
    // Asked on a terminal and declined.
    EXPECT_EQ(RunTarnelCli({"compress", sBmp, sJpg}, nullptr, &sErr, "n\n", true), kExitFailure);
    EXPECT_EQ(ReadFile(sJpg), "old");
    // Accepted.
    EXPECT_EQ(RunTarnelCli({"compress", sBmp, sJpg}, nullptr, &sErr, "y\n", true), kExitSuccess);
    EXPECT_NE(ReadFile(sJpg), "old");
    WriteFile(sJpg, "old");
    EXPECT_EQ(RunTarnelCli({"compress", sBmp, sJpg, "--yes"}), kExitSuccess);
    EXPECT_NE(ReadFile(sJpg), "old");
}

TEST_F(CliTest, AConversionWithWarningsIsKeptAndTimed) {
    ASSERT_EQ(RunTarnelCli({"compress", sBmp, sJpg}), kExitSuccess);
    const std::string sJpeg = ReadFile(sJpg);
    WriteFile(PathOf("cut.jpg"), sJpeg.substr(0, sJpeg.size() - 100));
    std::string sOut;
    EXPECT_EQ(RunTarnelCli({"uncompress", PathOf("cut.jpg"), PathOf("cut.bmp"), "--time"}, &sOut),
              kExitWarnings);
    EXPECT_NE(sOut.find(" 秒"), std::string::npos);
    EXPECT_TRUE(Exists(PathOf("cut.bmp")));
}

// Every refusal, warning and note of the commands a newcomer types, in both languages: the exit
// code and the words the first line of the message begins with after "tarnel-cli: ".
TEST_F(CliTest, EachProblemIsNamedInTheUsersLanguage) {
    ASSERT_EQ(RunTarnelCli({"compress", sBmp, sJpg}), kExitSuccess);
    const std::string sJpeg = ReadFile(sJpg);
    WriteFile(PathOf("cut.jpg"), sJpeg.substr(0, sJpeg.size() - 100));
    WriteFile(PathOf("jpeg.bmp"), sJpeg);
    std::filesystem::create_directory(PathOf("folder"));
    const std::string sFolder = PathOf("folder"), sOut = PathOf("out.jpg");
    struct Row {
        std::vector<std::string> args;
        int nExit;
        std::string sEnglish;
        std::string sJapanese;
    };
    const Row rows[] = {
        {{"compress", sFolder, sOut},
         kExitFailure,
         sFolder + ": is a folder",
         sFolder + ": ファイルではなくフォルダー"},
        {{"compress", sBmp, sFolder, "-y"},
         kExitFailure,
         sFolder + ": is a folder",
         sFolder + ": ファイルではなくフォルダー"},
        {{"compress", sBmp, PathOf("none/a.jpg")},
         kExitFailure,
         "a.jpg: no such folder: " + PathOf("none"),
         "a.jpg: フォルダーがありません: " + PathOf("none")},
        {{"compress", PathOf("none.bmp"), sOut},
         kExitFailure,
         "none.bmp: no such file",
         "none.bmp: ファイルがありません"},
        {{"compress", PathOf("jpeg.bmp"), sOut, "-y"},
         kExitFailure,
         "jpeg.bmp: not a BMP file (it does not start with \"BM\") [1007]",
         "jpeg.bmp: BMP ファイルではありません (先頭が \"BM\" ではありません) [1007]"},
        {{"compress", sBmp, sOut, "-yq10"},
         kExitSuccess,
         "photo.bmp: Caution: quantization tables are too coarse",
         "photo.bmp: Caution: quantization tables are too coarse"},
        {{"uncompress", PathOf("cut.jpg"), PathOf("cut.bmp"), "-y"},
         kExitWarnings,
         "cut.jpg: warning: Premature end of JPEG file",
         "cut.jpg: 警告: Premature end of JPEG file"},
        {{"-q", "50", "compress", sBmp, sOut},
         kExitUsage,
         "-q comes before the command",
         "-q がコマンドより前にあります"},
        {{"compress", sBmp, sOut, "--qualty", "50"},
         kExitUsage,
         "unknown option: --qualty (did you mean --quality?)",
         "不明なオプションです: --qualty (--quality のことですか?)"},
        {{"uncompress", sJpg, PathOf("x.bmp"), "--colors", "2"},
         kExitUsage,
         "invalid value for --colors: '2' (0, or a whole number from 8",
         "--colors の値が正しくありません: '2' (0 か, 8 から 256"},
        {{"compress", "-", sBmp},
         kExitUsage,
         "'-' (standard input or output) stands for one file",
         "'-' (標準入力・標準出力) は 1 つのファイル"},
        {{"convert", sBmp, sOut},
         kExitUsage,
         "unknown command: convert",
         "不明なコマンドです: convert"},
    };
    for (const Language language : {Language::English, Language::Japanese}) {
        SetLanguage(language);
        for (const Row& row : rows) {
            std::string sErr;
            EXPECT_EQ(RunTarnelCli(row.args, nullptr, &sErr), row.nExit) << row.sEnglish;
            const std::string& sWords =
                language == Language::English ? row.sEnglish : row.sJapanese;
            const std::string sFirstLine = sErr.substr(0, sErr.find('\n'));
            EXPECT_EQ(sFirstLine.rfind("tarnel-cli: ", 0), 0u) << row.sEnglish << sErr;
            EXPECT_NE(sFirstLine.find(sWords), std::string::npos) << sErr;
        }
    }
    SetLanguage(Language::Japanese);
    std::string sErr;
    EXPECT_EQ(RunTarnelCli({"compress", sBmp, "-"}, nullptr, &sErr, "", false, true), kExitFailure);
    EXPECT_EQ(sErr,
              "tarnel-cli: stdout: 端末にはバイナリデータを書きません "
              "(リダイレクトするか出力ファイルを指定してください)\n");
}

// Both languages have every message, with the same values in the same order.
TEST(CliMessagesTest, EveryMessageIsWrittenInBothLanguages) {
    const auto conversions = [](const char* psz) {
        std::string s;
        for (const char* p = std::strchr(psz, '%'); p != nullptr; p = std::strchr(p + 2, '%'))
            s += p[1] == 'z' ? p[2] : p[1];
        return s;
    };
    for (int i = 0; i <= static_cast<int>(Msg::Skipped); ++i) {
        const char* pszEnglish = FormatOf(static_cast<Msg>(i), Language::English);
        const char* pszJapanese = FormatOf(static_cast<Msg>(i), Language::Japanese);
        EXPECT_TRUE(*pszEnglish != '\0' && *pszJapanese != '\0') << i;
        EXPECT_EQ(conversions(pszEnglish), conversions(pszJapanese)) << pszEnglish;
    }
}

TEST_F(CliTest, HelpListsTheExitCodesAndUsageErrorsPointToIt) {
    std::string sOut, sErr;
    EXPECT_EQ(RunTarnelCli({"--help"}, &sOut), kExitSuccess);
    EXPECT_NE(sOut.find("終了コード"), std::string::npos);
    EXPECT_EQ(RunTarnelCli({"compress", sBmp, "--jobs", "0"}, nullptr, &sErr), kExitUsage);
    EXPECT_NE(sErr.find("--help"), std::string::npos);
}

TEST(CliOptionsTest, TransformStepsKeepTheirOrder) {
    CliOptions o;
    std::string sError;
    ASSERT_TRUE(Parse({"transform", "a.bmp", "b.bmp", "--flop", "--rotate", "-90", "--resize",
                       "30x20", "--rotate=180", "--flip"},
                      o, sError))
        << sError;
    ASSERT_EQ(o.transform.size(), 5u);
    EXPECT_EQ(o.transform[0].kind, TransformStep::Flop);
    EXPECT_EQ(o.transform[1].nAngle, -90);
    EXPECT_TRUE(o.transform[2].nWidth == 30 && o.transform[2].nHeight == 20);
    EXPECT_EQ(o.transform[3].nAngle, 180);
    EXPECT_EQ(o.transform[4].kind, TransformStep::Flip);
    for (const char* pszBad :
         {"--rotate=45", "--resize=30", "--resize=0x5", "--resize=3x-4", "--quality=5"}) {
        EXPECT_FALSE(Parse({"transform", "a.bmp", "b.bmp", pszBad}, o, sError)) << pszBad;
    }
}

TEST_F(CliTest, TransformRefusesWhatItCannotDoAndLosesNothing) {
    const std::string sOut = PathOf("out.bmp");
    WriteFile(sOut, "precious");
    std::string sErr;
    WriteFile(PathOf("bad.bmp"), "BM not really");
    EXPECT_EQ(RunTarnelCli({"transform", PathOf("bad.bmp"), sOut, "--yes"}, nullptr, &sErr),
              kExitFailure);
    EXPECT_EQ(sErr, "tarnel-cli: " + PathOf("bad.bmp") + ": ビットマップとして読めません\n");
    BmpShape shape;
    shape.nBitsPerPixel = 8;
    WriteFile(sBmp, BuildBmp(shape));
    EXPECT_EQ(RunTarnelCli({"transform", sBmp, sOut}, nullptr, &sErr), kExitFailure);  // not asked
    EXPECT_EQ(RunTarnelCli({"transform", PathOf("none.bmp"), sOut}, nullptr, &sErr), kExitFailure);
    EXPECT_EQ(ReadFile(sOut), "precious");
    EXPECT_EQ(ListFolder(m_sDir).size(), 3u);  // photo.bmp, out.bmp, bad.bmp

    EXPECT_EQ(RunTarnelCli({"transform", sBmp, sOut, "--yes", "--rotate", "270", "--flip"}),
              kExitSuccess);
    EXPECT_NE(ReadFile(sOut), "precious");
}

TEST_F(CliTest, EveryBitmapLayoutIsReadAndWhatIsNotIsExplained) {
    // A top-down bitmap: the classic reader refuses it, the command line reads it.
    std::string sTopDown = BuildBmp(BmpShape());
    PutLE32(sTopDown, 22, static_cast<std::uint32_t>(-23));
    WriteFile(PathOf("top-down.bmp"), sTopDown);
    EXPECT_EQ(RunTarnelCli({"compress", PathOf("top-down.bmp"), sJpg}), kExitSuccess);
    EXPECT_EQ(ReadFile(sJpg).substr(0, 2), "\xFF\xD8");

    std::string sPng = BuildBmp(BmpShape());
    PutLE32(sPng, 30, 5);
    WriteFile(PathOf("png.bmp"), sPng);
    std::string sErr;
    EXPECT_EQ(RunTarnelCli({"compress", PathOf("png.bmp"), PathOf("png.jpg")}, nullptr, &sErr),
              kExitFailure);
    EXPECT_EQ(sErr,
              "tarnel-cli: " + PathOf("png.bmp") + ": 中身が PNG 画像のビットマップです [1015]\n");
    EXPECT_FALSE(Exists(PathOf("png.jpg")));
}
