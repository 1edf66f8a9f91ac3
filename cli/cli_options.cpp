// Parsing tarnel-cli's command line.
#include "cli/cli_options.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <type_traits>
#include <vector>

#include "cli/messages.h"

namespace {

// An unsigned decimal number that fits 32 bits, handed on as an int like the dialog does.
bool ParseNumber(const char* psz, int& rnValue) {
    UINT n = 0;
    if (psz == nullptr || !ParseUnsigned(psz, n) || n > INT32_MAX)
        return false;
    rnValue = static_cast<int>(n);
    return true;
}

bool ParseInRange(const char* psz, int nLow, int nHigh, int& rnValue) {
    int n = 0;
    if (!ParseNumber(psz, n) || n < nLow || n > nHigh)
        return false;
    rnValue = n;
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
    // What a value must be, for the message that refuses one.
    std::function<std::string()> describeValues = nullptr;
};

OptionRule Flag(std::function<void(CliOptions&)> set) {
    return {false, [set](CliOptions& o, const char*) {
                set(o);
                return true;
            }};
}

// A number from nLow to nHigh, checked here so that no file is touched with a value libjpeg
// would refuse.
template <typename Options>
OptionRule Number(int Options::*pMember, int nLow, int nHigh, Msg range) {
    return {true,
            [=](CliOptions& o, const char* v) {
                if constexpr (std::is_same_v<Options, EncoderOptions>)
                    return ParseInRange(v, nLow, nHigh, o.encoder.*pMember);
                else
                    return ParseInRange(v, nLow, nHigh, o.decoder.*pMember);
            },
            [range] { return Say(range); }};
}

template <typename Options>
OptionRule Choice(std::vector<const char*> choices, int Options::*pMember) {
    std::string sChoices;
    for (const char* psz : choices)
        sChoices += (sChoices.empty() ? "" : ", ") + std::string(psz);
    return {true,
            [=](CliOptions& o, const char* v) {
                if constexpr (std::is_same_v<Options, EncoderOptions>)
                    return ParseChoice(v, choices, o.encoder.*pMember);
                else
                    return ParseChoice(v, choices, o.decoder.*pMember);
            },
            [sChoices] { return Say(Msg::RangeChoice, sChoices.c_str()); }};
}

// libjpeg's colour quantiser makes 8 to 256 colours; 0 keeps the picture's own.
bool ParseColors(const char* psz, int& rnColors) {
    int n = 0;
    if (!ParseNumber(psz, n) || (n != 0 && (n < 8 || n > 256)))
        return false;
    rnColors = n;
    return true;
}

const std::map<std::string, OptionRule>& CompressRules() {
    static const std::map<std::string, OptionRule> rules = {
        {"--quality", Number(&EncoderOptions::nQuality, 0, 100, Msg::RangeZeroToHundred)},
        {"--grayscale", Flag([](CliOptions& o) { o.encoder.bGrayscale = TRUE; })},
        {"--progressive", Flag([](CliOptions& o) { o.encoder.bProgressive = TRUE; })},
        {"--baseline", Flag([](CliOptions& o) { o.encoder.bBaseline = TRUE; })},
        {"--optimize", Flag([](CliOptions& o) { o.encoder.bOptimize = TRUE; })},
        {"--smooth", Number(&EncoderOptions::nSmooth, 0, 100, Msg::RangeZeroToHundred)},
        {"--dct", Choice({"islow", "ifast", "float"}, &EncoderOptions::nDCTMethod)},
        {"--max-memory", Number(&EncoderOptions::nMaxMemory, 0, INT32_MAX, Msg::RangeMemory)},
    };
    return rules;
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
          },
          [] { return Say(Msg::RangeFolder); }}},
        {"--recursive", Flag([](CliOptions& o) { o.bRecursive = o.bBatch = true; })},
        {"--jobs",
         {true,
          [](CliOptions& o, const char* v) {
              o.bBatch = true;
              return ParseInRange(v, 1, 256, o.nJobs);
          },
          [] { return Say(Msg::RangeJobs); }}},
        {"--quiet", Flag([](CliOptions& o) { o.bQuiet = o.bBatch = true; })},
        {"--verbose", Flag([](CliOptions& o) { o.bVerbose = true; })},
    };
    return rules;
}

const std::map<std::string, OptionRule>& UncompressRules() {
    static const std::map<std::string, OptionRule> rules = {
        {"--colors",
         {true, [](CliOptions& o, const char* v) { return ParseColors(v, o.decoder.nColors); },
          [] { return Say(Msg::RangeColors); }}},
        {"--grayscale", Flag([](CliOptions& o) { o.decoder.bGrayscale = TRUE; })},
        {"--os2", Flag([](CliOptions& o) { o.decoder.bOS2Format = TRUE; })},
        {"--fast", Flag([](CliOptions& o) { o.decoder.bFast = TRUE; })},
        {"--scale", Choice({"1/1", "1/2", "1/4", "1/8"}, &DecoderOptions::nScale)},
        {"--dct", Choice({"islow", "ifast", "float"}, &DecoderOptions::nDCTMethod)},
        {"--dither", Choice({"fs", "ordered", "none"}, &DecoderOptions::nDitherMethod)},
        {"--nosmooth", Flag([](CliOptions& o) { o.decoder.bNoSmooth = TRUE; })},
        {"--onepass", Flag([](CliOptions& o) { o.decoder.bOnePass = TRUE; })},
        {"--auto-orient", Flag([](CliOptions& o) { o.bAutoOrient = true; })},
        {"--keep-profile", Flag([](CliOptions& o) { o.bKeepProfile = true; })},
        {"--max-memory", Number(&DecoderOptions::nMaxMemory, 0, INT32_MAX, Msg::RangeMemory)},
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
          },
          [] { return Say(Msg::RangeAngle); }}},
        {"--flip", Step(TransformStep::Flip)},
        {"--flop", Step(TransformStep::Flop)},
        {"--resize",
         {true,
          [](CliOptions& o, const char* v) {
              o.transform.push_back(TransformStep{TransformStep::Resize});
              return ParseGeometry(v, o.transform.back().nWidth, o.transform.back().nHeight);
          },
          [] { return Say(Msg::RangeGeometry); }}},
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

// The long name of a one-letter option, or empty.
std::string LongNameOf(char c) {
    static const std::map<char, std::string> shortNames = {
        {'q', "--quality"}, {'g', "--grayscale"}, {'p', "--progressive"}, {'c', "--colors"},
        {'y', "--yes"},     {'t', "--time"},      {'h', "--help"},        {'r', "--recursive"},
        {'j', "--jobs"},    {'V', "--version"},   {'v', "--verbose"},
    };
    const auto it = shortNames.find(c);
    return it != shortNames.end() ? it->second : std::string();
}

std::vector<const std::map<std::string, OptionRule>*> RulesOf(CliCommand command) {
    if (command == CliCommand::Transform)
        return {&TransformRules(), &CommonRules()};
    return {command == CliCommand::Compress ? &CompressRules() : &UncompressRules(), &CommonRules(),
            &BatchRules()};
}

const OptionRule* FindRule(CliCommand command, const std::string& sName) {
    for (const auto* pTable : RulesOf(command)) {
        const auto it = pTable->find(sName);
        if (it != pTable->end())
            return &it->second;
    }
    return nullptr;
}

// How many single-character edits turn a into b.
std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t nDiagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t nAbove = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, nDiagonal + (a[i - 1] != b[j - 1])});
            nDiagonal = nAbove;
        }
    }
    return row[b.size()];
}

// "unknown option: --qualty (did you mean --quality?)": the option of the command nearest to
// what was typed, or one it begins, when there is one.
std::string UnknownOption(CliCommand command, const std::string& sTyped) {
    const std::string sUnknown = Say(Msg::UnknownOption, sTyped.c_str());
    std::string sNearest;
    std::size_t nNearest = 3;
    for (const auto* pTable : RulesOf(command))
        for (const auto& [sName, rule] : *pTable) {
            const std::size_t n =
                sName.rfind(sTyped, 0) == 0 && sTyped.size() > 3 ? 0 : EditDistance(sTyped, sName);
            if (n < nNearest) {
                nNearest = n;
                sNearest = sName;
            }
        }
    return sNearest.empty() ? sUnknown : Say(Msg::DidYouMean, sUnknown.c_str(), sNearest.c_str());
}

}  // namespace

namespace {

bool IsCommandWord(const std::string& sWord) {
    return sWord == "compress" || sWord == "uncompress" || sWord == "transform";
}

bool IsOption(const char* psz) { return psz[0] == '-' && psz[1] != '\0'; }

// The command word: compress, uncompress, or a request for help or the version. An option
// before the command word is named as misplaced.
bool ParseCommand(int argc, const char* const* argv, CliCommand& rCommand, std::string& rsError) {
    const std::string sWord = argv[0];
    if (sWord == "--help" || sWord == "-h" || sWord == "help")
        rCommand = CliCommand::Help;
    else if (sWord == "--version" || sWord == "-V")
        rCommand = CliCommand::Version;
    else if (sWord == "compress")
        rCommand = CliCommand::Compress;
    else if (sWord == "uncompress")
        rCommand = CliCommand::Uncompress;
    else if (sWord == "transform")
        rCommand = CliCommand::Transform;
    else {
        const char* const* pCommand =
            std::find_if(argv, argv + argc, [](const char* psz) { return IsCommandWord(psz); });
        if (IsOption(argv[0]) && pCommand != argv + argc)
            rsError = Say(Msg::OptionBeforeCommand, argv[0], *pCommand, argv[0]);
        else
            rsError = Say(Msg::UnknownCommand, argv[0]);
        return false;
    }
    return true;
}

// Applies one option with its value (null when none was attached) and takes a value it needs
// and lacks from the next argument (ri then moves past it).
bool ApplyRule(const std::string& sName, const char* pszAttached, int argc, const char* const* argv,
               int& ri, CliOptions& rOptions, std::string& rsError) {
    const OptionRule* pRule = FindRule(rOptions.command, sName);
    if (pRule == nullptr) {
        rsError = UnknownOption(rOptions.command, sName);
        return false;
    }
    std::string sValue;
    if (pRule->bTakesValue && pszAttached == nullptr) {
        if (ri + 1 >= argc) {
            rsError = Say(Msg::NeedsValue, sName.c_str());
            return false;
        }
        sValue = argv[++ri];
    } else if (pszAttached != nullptr) {
        if (!pRule->bTakesValue) {
            rsError = Say(Msg::TakesNoValue, sName.c_str());
            return false;
        }
        sValue = pszAttached;
    }
    if (!pRule->apply(rOptions, sValue.c_str())) {
        rsError = Say(Msg::BadValue, sName.c_str(), sValue.c_str(),
                      pRule->describeValues ? pRule->describeValues().c_str() : "");
        return false;
    }
    return true;
}

// "--name", "--name=value", or one or more joined one-letter options, the last of which may
// carry its value ("-yq90", "-q", "90").
bool ApplyOption(int argc, const char* const* argv, int& ri, CliOptions& rOptions,
                 std::string& rsError) {
    const std::string sArg = argv[ri];
    if (sArg.rfind("--", 0) == 0) {
        const auto nEquals = sArg.find('=');
        if (nEquals == std::string::npos)
            return ApplyRule(sArg, nullptr, argc, argv, ri, rOptions, rsError);
        const std::string sValue = sArg.substr(nEquals + 1);
        return ApplyRule(sArg.substr(0, nEquals), sValue.c_str(), argc, argv, ri, rOptions,
                         rsError);
    }
    for (std::size_t i = 1; i < sArg.size(); ++i) {
        const std::string sName = LongNameOf(sArg[i]);
        if (sName.empty()) {
            rsError = UnknownOption(rOptions.command, "-" + sArg.substr(i, 1));
            return false;
        }
        const OptionRule* pRule = FindRule(rOptions.command, sName);
        const bool bLast = i + 1 == sArg.size();
        if (pRule != nullptr && pRule->bTakesValue && !bLast)
            return ApplyRule(sName, sArg.c_str() + i + 1, argc, argv, ri, rOptions, rsError);
        if (!ApplyRule(sName, nullptr, argc, argv, ri, rOptions, rsError))
            return false;
    }
    return true;
}

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
        rsError = Say(Msg::NoCommand);
        return false;
    }
    if (!ParseCommand(argc, argv, rOptions.command, rsError))
        return false;
    const CliCommand command = rOptions.command;
    if (command == CliCommand::Help || command == CliCommand::Version)
        return true;
    // A version-5 bitmap's colour profile goes into its JPEG; other bitmaps have none.
    rOptions.encoder.bKeepProfile = TRUE;

    std::vector<std::string> paths;
    bool bOnlyPaths = false;  // after "--"
    for (int i = 1; i < argc; ++i) {
        if (bOnlyPaths || !IsOption(argv[i])) {
            paths.push_back(argv[i]);
            continue;
        }
        if (std::strcmp(argv[i], "--") == 0) {
            bOnlyPaths = true;
            continue;
        }
        if (!ApplyOption(argc, argv, i, rOptions, rsError))
            return false;
        if (rOptions.command != command)  // --help or --version wins over everything else
            return true;
    }
    if (rOptions.bKeepProfile && rOptions.decoder.bOS2Format) {
        rsError = Say(Msg::ProfileNotOs2);
        return false;
    }
    // "compress a.bmp b.bmp" means two bitmaps, never a JPEG written over the second one.
    if (command != CliCommand::Transform &&
        (rOptions.bBatch || paths.size() != 2 || IsInputName(command, paths[1]))) {
        rOptions.bBatch = true;
        rOptions.inputs = paths;
        if (paths.empty()) {
            rsError = Say(command == CliCommand::Compress ? Msg::NeedBitmaps : Msg::NeedJpegs);
            return false;
        }
        if (std::find(paths.begin(), paths.end(), kStandardStream) != paths.end()) {
            rsError = Say(Msg::DashTakesOneFile,
                          command == CliCommand::Compress ? "compress" : "uncompress");
            return false;
        }
        return true;
    }
    if (paths.size() != 2) {
        rsError = Say(Msg::TransformNeedsTwo);
        return false;
    }
    rOptions.sSource = paths[0];
    rOptions.sDestination = paths[1];
    return true;
}
