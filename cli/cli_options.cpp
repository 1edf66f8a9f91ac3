// Parsing tarnel-cli's command line.
#include "cli/cli_options.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

const char* const kCliUsage =
    "使い方:\n"
    "  tarnel-cli compress BMP JPEG [options]     ビットマップを JPEG に変換\n"
    "  tarnel-cli uncompress JPEG BMP [options]   JPEG をビットマップに変換\n"
    "\n"
    "compress options:\n"
    "  -q, --quality N      品質 (default 75)\n"
    "  -g, --grayscale      グレースケールの JPEG\n"
    "  -p, --progressive    プログレッシブ JPEG\n"
    "      --baseline       品質が 75 以外のときベースライン互換の量子化テーブル\n"
    "      --optimize       最適化したハフマンテーブル\n"
    "      --smooth N       平滑化 (1-100)\n"
    "      --dct islow|ifast|float\n"
    "      --max-memory N   メモリ上限 (1000 バイト単位)\n"
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
    "      --max-memory N   メモリ上限 (1000 バイト単位)\n"
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
    if (psz == nullptr || *psz == '\0')
        return false;
    std::uint64_t n = 0;
    for (const char* p = psz; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        n = n * 10 + static_cast<unsigned>(*p - '0');
        if (n > UINT32_MAX)
            return false;
    }
    rnValue = static_cast<int>(static_cast<std::uint32_t>(n));
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

OptionRule Number(int CompressOptions::*pCompress, int UncompressOptions::*pUncompress) {
    return {true, [=](CliOptions& o, const char* v) {
                return o.command == CliCommand::Compress ? ParseNumber(v, o.compress.*pCompress)
                                                         : ParseNumber(v, o.uncompress.*pUncompress);
            }};
}

OptionRule Choice(std::vector<const char*> choices, int CompressOptions::*pCompress,
                  int UncompressOptions::*pUncompress) {
    return {true, [=](CliOptions& o, const char* v) {
                return o.command == CliCommand::Compress
                           ? ParseChoice(v, choices, o.compress.*pCompress)
                           : ParseChoice(v, choices, o.uncompress.*pUncompress);
            }};
}

const std::map<std::string, OptionRule>& CompressRules() {
    static const std::map<std::string, OptionRule> rules = {
        {"--quality", Number(&CompressOptions::nQuality, nullptr)},
        {"--grayscale", Flag([](CliOptions& o) { o.compress.bGrayscale = true; })},
        {"--progressive", Flag([](CliOptions& o) { o.compress.bProgressive = true; })},
        {"--baseline", Flag([](CliOptions& o) { o.compress.bBaseline = true; })},
        {"--optimize", Flag([](CliOptions& o) { o.compress.bOptimize = true; })},
        {"--smooth", Number(&CompressOptions::nSmooth, nullptr)},
        {"--dct", Choice({"islow", "ifast", "float"}, &CompressOptions::nDCTMethod, nullptr)},
        {"--max-memory", Number(&CompressOptions::nMaxMemory, nullptr)},
    };
    return rules;
}

const std::map<std::string, OptionRule>& UncompressRules() {
    static const std::map<std::string, OptionRule> rules = {
        {"--colors", Number(nullptr, &UncompressOptions::nColors)},
        {"--grayscale", Flag([](CliOptions& o) { o.uncompress.bGrayscale = true; })},
        {"--os2", Flag([](CliOptions& o) { o.uncompress.bOS2 = true; })},
        {"--fast", Flag([](CliOptions& o) { o.uncompress.bFast = true; })},
        {"--scale", Choice({"1/1", "1/2", "1/4", "1/8"}, nullptr, &UncompressOptions::nScale)},
        {"--dct", Choice({"islow", "ifast", "float"}, nullptr, &UncompressOptions::nDCTMethod)},
        {"--dither", Choice({"fs", "ordered", "none"}, nullptr, &UncompressOptions::nDitherMethod)},
        {"--nosmooth", Flag([](CliOptions& o) { o.uncompress.bNoSmooth = true; })},
        {"--onepass", Flag([](CliOptions& o) { o.uncompress.bOnePass = true; })},
        {"--max-memory", Number(nullptr, &UncompressOptions::nMaxMemory)},
    };
    return rules;
}

const std::map<std::string, OptionRule>& CommonRules() {
    static const std::map<std::string, OptionRule> rules = {
        {"--yes", Flag([](CliOptions& o) { o.bYes = true; })},
        {"--time", Flag([](CliOptions& o) { o.bTime = true; })},
        {"--help", Flag([](CliOptions& o) { o.command = CliCommand::Help; })},
        {"--version", Flag([](CliOptions& o) { o.command = CliCommand::Version; })},
    };
    return rules;
}

std::string LongName(const std::string& sArg) {
    static const std::map<std::string, std::string> shortNames = {
        {"-q", "--quality"}, {"-g", "--grayscale"}, {"-p", "--progressive"}, {"-c", "--colors"},
        {"-y", "--yes"},     {"-t", "--time"},      {"-h", "--help"},
    };
    const auto it = shortNames.find(sArg);
    return it != shortNames.end() ? it->second : sArg;
}

const OptionRule* FindRule(CliCommand command, const std::string& sName) {
    const auto& rules = command == CliCommand::Compress ? CompressRules() : UncompressRules();
    for (const auto* pTable : {&rules, &CommonRules()}) {
        const auto it = pTable->find(sName);
        if (it != pTable->end())
            return &it->second;
    }
    return nullptr;
}

}  // namespace

bool ParseCliOptions(int argc, const char* const* argv, CliOptions& rOptions, std::string& rsError) {
    rOptions = CliOptions();
    if (argc < 1) {
        rsError = "コマンドがありません (compress または uncompress)";
        return false;
    }
    const std::string sCommand = LongName(argv[0]);
    if (sCommand == "--help" || sCommand == "help") {
        rOptions.command = CliCommand::Help;
        return true;
    }
    if (sCommand == "--version") {
        rOptions.command = CliCommand::Version;
        return true;
    }
    if (sCommand == "compress")
        rOptions.command = CliCommand::Compress;
    else if (sCommand == "uncompress")
        rOptions.command = CliCommand::Uncompress;
    else {
        rsError = "不明なコマンドです: " + sCommand + " (compress または uncompress)";
        return false;
    }
    const CliCommand command = rOptions.command;

    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        std::string sArg = argv[i];
        if (sArg.size() < 2 || sArg[0] != '-') {
            paths.push_back(sArg);
            continue;
        }
        std::string sValue;
        bool bInlineValue = false;
        if (const auto nEquals = sArg.find('='); nEquals != std::string::npos && sArg.rfind("--", 0) == 0) {
            sValue = sArg.substr(nEquals + 1);
            sArg.resize(nEquals);
            bInlineValue = true;
        }
        const std::string sName = LongName(sArg);
        const OptionRule* pRule = FindRule(command, sName);
        if (pRule == nullptr) {
            rsError = "不明なオプションです: " + sArg;
            return false;
        }
        if (pRule->bTakesValue && !bInlineValue) {
            if (i + 1 >= argc) {
                rsError = sName + " には値が必要です";
                return false;
            }
            sValue = argv[++i];
        } else if (!pRule->bTakesValue && bInlineValue) {
            rsError = sName + " は値をとりません";
            return false;
        }
        if (!pRule->apply(rOptions, sValue.c_str())) {
            rsError = sName + " の値が正しくありません: " + sValue;
            return false;
        }
        if (rOptions.command != command)  // --help or --version wins over everything else
            return true;
    }
    if (paths.size() != 2) {
        rsError = command == CliCommand::Compress
                      ? "compress には入力の BMP と出力の JPEG の 2 つのパスが必要です"
                      : "uncompress には入力の JPEG と出力の BMP の 2 つのパスが必要です";
        return false;
    }
    rOptions.sSource = paths[0];
    rOptions.sDestination = paths[1];
    return true;
}
