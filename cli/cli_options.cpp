// Parsing tarnel-cli's command line.
#include "cli/cli_options.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <vector>

const char* const kCliUsage =
    "使い方:\n"
    "  tarnel-cli compress BMP JPEG [options]     ビットマップを JPEG に変換\n"
    "  tarnel-cli uncompress JPEG BMP [options]   JPEG をビットマップに変換\n"
    "  tarnel-cli transform BMP BMP [steps]       ビットマップを回転・反転・拡大縮小\n"
    "  tarnel-cli compress|uncompress FILE... [--out-dir DIR] [-r] [-j N] [options]\n"
    "                                             多くのファイル・フォルダーを一度に変換\n"
    "\n"
    "一度に変換 (パスが入力と出力の 2 つでないとき, 2 つ目が入力の種類の名前 (compress b.bmp)\n"
    "のとき, または下のどれかを付けたとき):\n"
    "      --out-dir DIR    出力先のフォルダー (無ければ作る; フォルダーの階層はそのまま)。\n"
    "                       省略すると入力の隣に .jpg / .bmp を作る\n"
    "  -r, --recursive      フォルダーの中を下まで変換 (compress: .bmp .dib,\n"
    "                       uncompress: .jpg .jpeg .jpe .jfif)\n"
    "  -j, --jobs N         同時に変換するファイル数 (default: CPU のコア数)\n"
    "      --quiet          端末に進み具合を表示しない\n"
    "  既存の出力は --yes のときだけ置き換え, ほかは飛ばして数える。\n"
    "  1 つが失敗してもほかは続ける。Ctrl-C で新しいファイルを始めず, 変換中のものは終えて止まる\n"
    "\n"
    "compress options:\n"
    "  -q, --quality N      品質 (default 75)\n"
    "  -g, --grayscale      グレースケールの JPEG\n"
    "  -p, --progressive    プログレッシブ JPEG\n"
    "      --baseline       品質が 75 以外のときベースライン互換の量子化テーブル\n"
    "      --optimize       最適化したハフマンテーブル\n"
    "      --smooth N       平滑化 (1-100)\n"
    "      --dct islow|ifast|float\n"
    "      --max-memory N   libjpeg のメモリ上限 (1000 バイト単位)。画像は上限にかかわらず\n"
    "                       メモリに置くので, 出力も成否も変わらない (JPEGMEM も同じ)\n"
    "\n"
    "uncompress options:\n"
    "  -c, --colors N       N 色に減色 (0: 減色しない)\n"
    "  -g, --grayscale      グレースケールのビットマップ\n"
    "      --os2            OS/2 形式のビットマップ\n"
    "      --fast           高速モード\n"
    "      --scale 1/1|1/2|1/4|1/8\n"
    "      --dct islow|ifast|float\n"
    "      --dither fs|ordered|none\n"
    "      --nosmooth       滑らかなアップサンプリングをしない\n"
    "      --onepass        1 パスの減色\n"
    "      --max-memory N   libjpeg のメモリ上限 (1000 バイト単位)。画像は上限にかかわらず\n"
    "                       メモリに置くので, 出力も成否も変わらない (JPEGMEM も同じ)\n"
    "\n"
    "transform steps (書いた順に適用):\n"
    "      --rotate 90|180|270|-90  時計回りに回転\n"
    "      --flip           上下反転\n"
    "      --flop           左右反転\n"
    "      --resize WxH     W x H ピクセルに拡大縮小 (最近傍; 8 ビット以上の画像)\n"
    "\n"
    "common options:\n"
    "  -y, --yes            既存の出力ファイルを確認せずに置き換える\n"
    "  -t, --time           変換にかかった秒数を表示\n"
    "  -h, --help           この説明を表示\n"
    "      --version        バージョンを表示\n"
    "\n"
    "終了コード: 0 成功, 1 失敗・中止, 2 コマンドラインの誤り, 3 警告付きで変換\n";

namespace {

// An unsigned decimal number that fits 32 bits, handed on as an int like the dialog does.
bool ParseNumber(const char* psz, int& rnValue) {
    UINT n = 0;
    if (psz == nullptr || !ParseUnsigned(psz, n))
        return false;
    rnValue = static_cast<int>(n);
    return true;
}

bool ParseChoice(const char* psz, const std::vector<const char*>& choices, int& rnSelection) {
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (psz != nullptr && std::strcmp(psz, choices[i]) == 0) {
            rnSelection = static_cast<int>(i) + 1;
            return true;
        }
    return false;
}

struct OptionRule {
    bool bTakesValue;
    // Applies the option; false when the value is not acceptable.
    std::function<bool(CliOptions&, const char*)> apply;
};

OptionRule Flag(std::function<void(CliOptions&)> set) {
    return {false, [set](CliOptions& o, const char*) {
                set(o);
                return true;
            }};
}

OptionRule Number(int EncoderOptions::*pCompress, int DecoderOptions::*pUncompress) {
    return {true, [=](CliOptions& o, const char* v) {
                return o.command == CliCommand::Compress ? ParseNumber(v, o.encoder.*pCompress)
                                                         : ParseNumber(v, o.decoder.*pUncompress);
            }};
}

OptionRule Choice(std::vector<const char*> choices, int EncoderOptions::*pCompress,
                  int DecoderOptions::*pUncompress) {
    return {true, [=](CliOptions& o, const char* v) {
                return o.command == CliCommand::Compress
                           ? ParseChoice(v, choices, o.encoder.*pCompress)
                           : ParseChoice(v, choices, o.decoder.*pUncompress);
            }};
}

const std::map<std::string, OptionRule>& CompressRules() {
    static const std::map<std::string, OptionRule> rules = {
        {"--quality", Number(&EncoderOptions::nQuality, nullptr)},
        {"--grayscale", Flag([](CliOptions& o) { o.encoder.bGrayscale = TRUE; })},
        {"--progressive", Flag([](CliOptions& o) { o.encoder.bProgressive = TRUE; })},
        {"--baseline", Flag([](CliOptions& o) { o.encoder.bBaseline = TRUE; })},
        {"--optimize", Flag([](CliOptions& o) { o.encoder.bOptimize = TRUE; })},
        {"--smooth", Number(&EncoderOptions::nSmooth, nullptr)},
        {"--dct", Choice({"islow", "ifast", "float"}, &EncoderOptions::nDCTMethod, nullptr)},
        {"--max-memory", Number(&EncoderOptions::nMaxMemory, nullptr)},
    };
    return rules;
}

// How many conversions run at once: at least one, at most a sane number of threads.
bool ParseJobs(const char* psz, int& rnJobs) {
    return ParseNumber(psz, rnJobs) && rnJobs >= 1 && rnJobs <= 256;
}

// The batch form's own options, for both directions.
const std::map<std::string, OptionRule>& BatchRules() {
    static const std::map<std::string, OptionRule> rules = {
        {"--out-dir",
         {true,
          [](CliOptions& o, const char* v) {
              o.sOutDir = v;
              o.bBatch = true;
              return !o.sOutDir.empty();
          }}},
        {"--recursive", Flag([](CliOptions& o) { o.bRecursive = o.bBatch = true; })},
        {"--jobs",
         {true,
          [](CliOptions& o, const char* v) {
              o.bBatch = true;
              return ParseJobs(v, o.nJobs);
          }}},
        {"--quiet", Flag([](CliOptions& o) { o.bQuiet = o.bBatch = true; })},
    };
    return rules;
}

const std::map<std::string, OptionRule>& UncompressRules() {
    static const std::map<std::string, OptionRule> rules = {
        {"--colors", Number(nullptr, &DecoderOptions::nColors)},
        {"--grayscale", Flag([](CliOptions& o) { o.decoder.bGrayscale = TRUE; })},
        {"--os2", Flag([](CliOptions& o) { o.decoder.bOS2Format = TRUE; })},
        {"--fast", Flag([](CliOptions& o) { o.decoder.bFast = TRUE; })},
        {"--scale", Choice({"1/1", "1/2", "1/4", "1/8"}, nullptr, &DecoderOptions::nScale)},
        {"--dct", Choice({"islow", "ifast", "float"}, nullptr, &DecoderOptions::nDCTMethod)},
        {"--dither", Choice({"fs", "ordered", "none"}, nullptr, &DecoderOptions::nDitherMethod)},
        {"--nosmooth", Flag([](CliOptions& o) { o.decoder.bNoSmooth = TRUE; })},
        {"--onepass", Flag([](CliOptions& o) { o.decoder.bOnePass = TRUE; })},
        {"--max-memory", Number(nullptr, &DecoderOptions::nMaxMemory)},
    };
    return rules;
}

// A multiple of 90 degrees, written as a whole number with an optional minus sign.
bool ParseAngle(const char* psz, int& rnAngle) {
    const bool bNegative = psz != nullptr && *psz == '-';
    UINT n = 0;
    if (psz == nullptr || !ParseUnsigned(psz + (bNegative ? 1 : 0), n) || n % 90 != 0 || n > 3600)
        return false;
    rnAngle = bNegative ? -static_cast<int>(n) : static_cast<int>(n);
    return true;
}

// "WxH" with both sides positive.
bool ParseGeometry(const char* psz, int& rnWidth, int& rnHeight) {
    const char* pszX = psz != nullptr ? std::strchr(psz, 'x') : nullptr;
    UINT nWidth = 0, nHeight = 0;
    if (pszX == nullptr || !ParseUnsigned(std::string(psz, pszX).c_str(), nWidth) ||
        !ParseUnsigned(pszX + 1, nHeight) || nWidth == 0 || nHeight == 0 || nWidth > INT32_MAX ||
        nHeight > INT32_MAX)
        return false;
    rnWidth = static_cast<int>(nWidth);
    rnHeight = static_cast<int>(nHeight);
    return true;
}

OptionRule Step(TransformStep::Kind kind) {
    return {false, [kind](CliOptions& o, const char*) {
                o.transform.push_back(TransformStep{kind});
                return true;
            }};
}

const std::map<std::string, OptionRule>& TransformRules() {
    static const std::map<std::string, OptionRule> rules = {
        {"--rotate",
         {true,
          [](CliOptions& o, const char* v) {
              TransformStep step{TransformStep::Rotate};
              o.transform.push_back(step);
              return ParseAngle(v, o.transform.back().nAngle);
          }}},
        {"--flip", Step(TransformStep::Flip)},
        {"--flop", Step(TransformStep::Flop)},
        {"--resize",
         {true,
          [](CliOptions& o, const char* v) {
              o.transform.push_back(TransformStep{TransformStep::Resize});
              return ParseGeometry(v, o.transform.back().nWidth, o.transform.back().nHeight);
          }}},
    };
    return rules;
}

const std::map<std::string, OptionRule>& CommonRules() {
    static const std::map<std::string, OptionRule> rules = {
        {"--yes", Flag([](CliOptions& o) { o.bYes = TRUE; })},
        {"--time", Flag([](CliOptions& o) { o.bTime = TRUE; })},
        {"--help", Flag([](CliOptions& o) { o.command = CliCommand::Help; })},
        {"--version", Flag([](CliOptions& o) { o.command = CliCommand::Version; })},
    };
    return rules;
}

std::string LongName(const std::string& sArg) {
    static const std::map<std::string, std::string> shortNames = {
        {"-q", "--quality"}, {"-g", "--grayscale"}, {"-p", "--progressive"},
        {"-c", "--colors"},  {"-y", "--yes"},       {"-t", "--time"},
        {"-h", "--help"},    {"-r", "--recursive"}, {"-j", "--jobs"},
    };
    const auto it = shortNames.find(sArg);
    return it != shortNames.end() ? it->second : sArg;
}

const OptionRule* FindRule(CliCommand command, const std::string& sName) {
    const auto& rules = command == CliCommand::Compress     ? CompressRules()
                        : command == CliCommand::Uncompress ? UncompressRules()
                                                            : TransformRules();
    const bool bConverts = command == CliCommand::Compress || command == CliCommand::Uncompress;
    for (const auto* pTable : {&rules, &CommonRules(), bConverts ? &BatchRules() : &rules}) {
        const auto it = pTable->find(sName);
        if (it != pTable->end())
            return &it->second;
    }
    return nullptr;
}

}  // namespace

namespace {

// The command word: compress, uncompress, or a request for help or the version.
bool ParseCommand(const std::string& sWord, CliCommand& rCommand, std::string& rsError) {
    const std::string sCommand = LongName(sWord);
    if (sCommand == "--help" || sCommand == "help")
        rCommand = CliCommand::Help;
    else if (sCommand == "--version")
        rCommand = CliCommand::Version;
    else if (sCommand == "compress")
        rCommand = CliCommand::Compress;
    else if (sCommand == "uncompress")
        rCommand = CliCommand::Uncompress;
    else if (sCommand == "transform")
        rCommand = CliCommand::Transform;
    else {
        rsError = "不明なコマンドです: " + sCommand + " (compress, uncompress または transform)";
        return false;
    }
    return true;
}

// Applies the option at argv[ri], taking its value from "--name=value" or from the next
// argument (ri then moves past it).
bool ApplyOption(int argc, const char* const* argv, int& ri, CliOptions& rOptions,
                 std::string& rsError) {
    std::string sArg = argv[ri];
    std::string sValue;
    bool bInlineValue = false;
    if (const auto nEquals = sArg.find('=');
        nEquals != std::string::npos && sArg.rfind("--", 0) == 0) {
        sValue = sArg.substr(nEquals + 1);
        sArg.resize(nEquals);
        bInlineValue = true;
    }
    const std::string sName = LongName(sArg);
    const OptionRule* pRule = FindRule(rOptions.command, sName);
    if (pRule == nullptr) {
        rsError = "不明なオプションです: " + sArg;
        return false;
    }
    if (pRule->bTakesValue && !bInlineValue) {
        if (ri + 1 >= argc) {
            rsError = sName + " には値が必要です";
            return false;
        }
        sValue = argv[++ri];
    } else if (!pRule->bTakesValue && bInlineValue) {
        rsError = sName + " は値をとりません";
        return false;
    }
    if (!pRule->apply(rOptions, sValue.c_str())) {
        rsError = sName + " の値が正しくありません: " + sValue;
        return false;
    }
    return true;
}

bool IsOption(const char* psz) { return psz[0] == '-' && psz[1] != '\0'; }

}  // namespace

bool IsInputName(CliCommand command, const std::string& sName) {
    static const std::set<std::string> bitmaps = {".bmp", ".dib"};
    static const std::set<std::string> jpegs = {".jpg", ".jpeg", ".jpe", ".jfif"};
    const std::size_t nSlash = sName.find_last_of("/\\");
    const std::size_t nDot = sName.rfind('.');
    if (nDot == std::string::npos || (nSlash != std::string::npos && nDot < nSlash))
        return false;
    std::string sExtension = sName.substr(nDot);
    for (char& c : sExtension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return (command == CliCommand::Compress ? bitmaps : jpegs).count(sExtension) != 0;
}

bool ParseCliOptions(int argc, const char* const* argv, CliOptions& rOptions,
                     std::string& rsError) {
    rOptions = CliOptions();
    if (argc < 1) {
        rsError = "コマンドがありません (compress, uncompress または transform)";
        return false;
    }
    if (!ParseCommand(argv[0], rOptions.command, rsError))
        return false;
    const CliCommand command = rOptions.command;
    if (command == CliCommand::Help || command == CliCommand::Version)
        return true;

    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        if (!IsOption(argv[i])) {
            paths.push_back(argv[i]);
            continue;
        }
        if (!ApplyOption(argc, argv, i, rOptions, rsError))
            return false;
        if (rOptions.command != command)  // --help or --version wins over everything else
            return true;
    }
    // "compress a.bmp b.bmp" means two bitmaps, never a JPEG written over the second one.
    if (command != CliCommand::Transform &&
        (rOptions.bBatch || paths.size() != 2 || IsInputName(command, paths[1]))) {
        rOptions.bBatch = true;
        rOptions.inputs = paths;
        if (paths.empty())
            rsError = command == CliCommand::Compress
                          ? "compress には入力の BMP (ファイルかフォルダー) が必要です"
                          : "uncompress には入力の JPEG (ファイルかフォルダー) が必要です";
        return !paths.empty();
    }
    if (paths.size() != 2) {
        rsError = "transform には入力と出力の BMP の 2 つのパスが必要です";
        return false;
    }
    rOptions.sSource = paths[0];
    rOptions.sDestination = paths[1];
    return true;
}
