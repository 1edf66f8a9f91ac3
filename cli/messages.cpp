// tarnel-cli's words in the user's language.
#include "cli/messages.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "platform/user_language.h"

namespace {

const char* const kUsageEnglish =
    "Usage:\n"
    "  tarnel-cli compress BMP JPEG [options]     bitmap to JPEG\n"
    "  tarnel-cli uncompress JPEG BMP [options]   JPEG to bitmap\n"
    "  tarnel-cli transform BMP BMP [steps]       rotate, flip or resize a bitmap\n"
    "  tarnel-cli compress|uncompress FILE... [--out-dir DIR] [-r] [-j N] [options]\n"
    "                                             many files and folders at once\n"
    "  '-' as the input reads standard input, as the output writes standard output.\n"
    "\n"
    "Many at once (when the paths are not one input and one output, when the second is named\n"
    "like an input (compress b.bmp), or with one of these options):\n"
    "      --out-dir DIR    where the outputs go (made when missing; folders kept below it);\n"
    "                       without it each output is written beside its input\n"
    "  -r, --recursive      convert the files in folders, all the way down (compress: .bmp\n"
    "                       .dib, uncompress: .jpg .jpeg .jpe .jfif)\n"
    "  -j, --jobs N         files converted at once, 1 to 256 (default: one per core)\n"
    "      --quiet          no progress line on the terminal\n"
    "  -v, --verbose        name each file converted and each one skipped\n"
    "  Existing outputs are replaced with --yes only, else skipped and counted. A failed file\n"
    "  does not stop the others. Ctrl-C starts no new file; the files being converted are\n"
    "  finished, then tarnel-cli ends as interrupted.\n"
    "\n"
    "compress options (a version-5 bitmap's embedded colour profile goes into the JPEG):\n"
    "  -q, --quality N      quality, 0 to 100 (default 75)\n"
    "  -g, --grayscale      a greyscale JPEG\n"
    "  -p, --progressive    a progressive JPEG\n"
    "      --baseline       quantization tables a baseline decoder reads, at any quality\n"
    "      --optimize       optimised Huffman tables\n"
    "      --smooth N       smoothing, 0 to 100\n"
    "      --dct islow|ifast|float\n"
    "      --max-memory N   libjpeg's memory limit in thousands of bytes; pictures are held in\n"
    "                       memory whatever it is, so neither output nor outcome changes\n"
    "                       (nor with JPEGMEM)\n"
    "\n"
    "uncompress options:\n"
    "  -c, --colors N       reduce to N colours: 0 (keep them) or 8 to 256\n"
    "  -g, --grayscale      a greyscale bitmap\n"
    "      --os2            an OS/2 bitmap\n"
    "      --fast           fast mode\n"
    "      --scale 1/1|1/2|1/4|1/8\n"
    "      --dct islow|ifast|float\n"
    "      --dither fs|ordered|none\n"
    "      --nosmooth       no smooth upsampling\n"
    "      --onepass        one-pass colour reduction\n"
    "      --auto-orient    turn and mirror the picture as its Exif orientation says, as\n"
    "                       photo viewers show it (without: as stored, djpeg's bytes)\n"
    "      --keep-profile   a version-5 bitmap with the JPEG's colour profile embedded\n"
    "      --max-memory N   as for compress\n"
    "\n"
    "transform steps (applied in the order given):\n"
    "      --rotate 90|180|270|-90  clockwise\n"
    "      --flip           upside down\n"
    "      --flop           left to right\n"
    "      --resize WxH     to W x H pixels (nearest; 8 bits per pixel and more)\n"
    "\n"
    "common options:\n"
    "  -y, --yes            replace existing outputs without asking\n"
    "  -t, --time           print the seconds the conversion took\n"
    "  -h, --help           show this help\n"
    "  -V, --version        show the version\n"
    "  --                   what follows is a path, even when it starts with '-'\n"
    "  Short options may be joined (-yq90); a value may follow its option directly (-q90,\n"
    "  --quality=90).\n"
    "\n"
    "Examples:\n"
    "  tarnel-cli compress photo.bmp photo.jpg -q 90     one bitmap to a JPEG\n"
    "  tarnel-cli uncompress photo.jpg photo.bmp          one JPEG to a bitmap\n"
    "  tarnel-cli compress scans -r --out-dir jpeg -y     a folder tree to JPEGs\n"
    "  tarnel-cli uncompress *.jpg -c 256                 8-bit bitmaps beside the JPEGs\n"
    "  cat a.bmp | tarnel-cli compress - - > a.jpg        through a pipe\n"
    "\n"
    "Exit status: 0 converted, 1 failed, refused or declined, 2 a command line error,\n"
    "3 converted with warnings; interrupted, it ends by the signal (130 after Ctrl-C).\n";

const char* const kUsageJapanese =
    "使い方:\n"
    "  tarnel-cli compress BMP JPEG [options]     ビットマップを JPEG に変換\n"
    "  tarnel-cli uncompress JPEG BMP [options]   JPEG をビットマップに変換\n"
    "  tarnel-cli transform BMP BMP [steps]       ビットマップを回転・反転・拡大縮小\n"
    "  tarnel-cli compress|uncompress FILE... [--out-dir DIR] [-r] [-j N] [options]\n"
    "                                             多くのファイル・フォルダーを一度に変換\n"
    "  入力の '-' は標準入力, 出力の '-' は標準出力\n"
    "\n"
    "一度に変換 (パスが入力と出力の 2 つでないとき, 2 つ目が入力の種類の名前 (compress b.bmp)\n"
    "のとき, または下のどれかを付けたとき):\n"
    "      --out-dir DIR    出力先のフォルダー (無ければ作る; フォルダーの階層はそのまま)。\n"
    "                       省略すると入力の隣に .jpg / .bmp を作る\n"
    "  -r, --recursive      フォルダーの中を下まで変換 (compress: .bmp .dib,\n"
    "                       uncompress: .jpg .jpeg .jpe .jfif)\n"
    "  -j, --jobs N         同時に変換するファイル数, 1 から 256 (default: CPU のコア数)\n"
    "      --quiet          端末に進み具合を表示しない\n"
    "  -v, --verbose        変換したファイルと飛ばしたファイルを 1 つずつ表示\n"
    "  既存の出力は --yes のときだけ置き換え, ほかは飛ばして数える。\n"
    "  1 つが失敗してもほかは続ける。Ctrl-C で新しいファイルを始めず, 変換中のものは終えて\n"
    "  中断として終わる\n"
    "\n"
    "compress options (バージョン 5 のビットマップに埋め込まれた色プロファイルは JPEG に入る):\n"
    "  -q, --quality N      品質, 0 から 100 (default 75)\n"
    "  -g, --grayscale      グレースケールの JPEG\n"
    "  -p, --progressive    プログレッシブ JPEG\n"
    "      --baseline       どの品質でもベースライン互換の量子化テーブル\n"
    "      --optimize       最適化したハフマンテーブル\n"
    "      --smooth N       平滑化, 0 から 100\n"
    "      --dct islow|ifast|float\n"
    "      --max-memory N   libjpeg のメモリ上限 (1000 バイト単位)。画像は上限にかかわらず\n"
    "                       メモリに置くので, 出力も成否も変わらない (JPEGMEM も同じ)\n"
    "\n"
    "uncompress options:\n"
    "  -c, --colors N       N 色に減色: 0 (減色しない) か 8 から 256\n"
    "  -g, --grayscale      グレースケールのビットマップ\n"
    "      --os2            OS/2 形式のビットマップ\n"
    "      --fast           高速モード\n"
    "      --scale 1/1|1/2|1/4|1/8\n"
    "      --dct islow|ifast|float\n"
    "      --dither fs|ordered|none\n"
    "      --nosmooth       滑らかなアップサンプリングをしない\n"
    "      --onepass        1 パスの減色\n"
    "      --auto-orient    Exif の向きの情報どおりに回転・反転 (写真ビューアーの表示と同じ。\n"
    "                       付けなければ保存されたまま: djpeg と同じバイト列)\n"
    "      --keep-profile   JPEG の色プロファイルを埋め込んだバージョン 5 のビットマップ\n"
    "      --max-memory N   compress と同じ\n"
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
    "  -V, --version        バージョンを表示\n"
    "  --                   これより後は '-' で始まってもパス\n"
    "  短いオプションはまとめて書ける (-yq90)。値はオプションに続けて書ける (-q90, --quality=90)\n"
    "\n"
    "例:\n"
    "  tarnel-cli compress photo.bmp photo.jpg -q 90     ビットマップ 1 つを JPEG に\n"
    "  tarnel-cli uncompress photo.jpg photo.bmp          JPEG 1 つをビットマップに\n"
    "  tarnel-cli compress scans -r --out-dir jpeg -y     フォルダーの中をすべて JPEG に\n"
    "  tarnel-cli uncompress *.jpg -c 256                 JPEG の隣に 8 ビットのビットマップ\n"
    "  cat a.bmp | tarnel-cli compress - - > a.jpg        パイプで\n"
    "\n"
    "終了コード: 0 成功, 1 失敗・拒否・中止, 2 コマンドラインの誤り, 3 警告付きで変換。\n"
    "中断されたときはそのシグナルで終わる (Ctrl-C で 130)\n";

struct Texts {
    const char* pszEnglish;
    const char* pszJapanese;
};

constexpr Texts kTexts[] = {
#define TARNEL_CLI_MESSAGE_TEXTS(name, english, japanese) {english, japanese},
    TARNEL_CLI_MESSAGES(TARNEL_CLI_MESSAGE_TEXTS)
#undef TARNEL_CLI_MESSAGE_TEXTS
};

// Chosen on first use, so that a choice made before then (a test's) holds.
Language& ChosenLanguage() {
    static Language language = LocaleLanguage();
    return language;
}

}  // namespace

Language LocaleLanguage() {
    return IsUserLanguageJapanese() ? Language::Japanese : Language::English;
}

void SetLanguage(Language language) { ChosenLanguage() = language; }

Language CurrentLanguage() { return ChosenLanguage(); }

const char* FormatOf(Msg message, Language language) {
    const Texts& texts = kTexts[static_cast<int>(message)];
    return language == Language::Japanese ? texts.pszJapanese : texts.pszEnglish;
}

std::string Say(Msg message, ...) {
    const char* pszFormat = FormatOf(message, ChosenLanguage());
    std::va_list args;
    va_start(args, message);
    std::va_list copy;
    va_copy(copy, args);
    const int nLength = std::vsnprintf(nullptr, 0, pszFormat, copy);
    va_end(copy);
    std::vector<char> text(static_cast<std::size_t>(nLength > 0 ? nLength : 0) + 1);
    std::vsnprintf(text.data(), text.size(), pszFormat, args);
    va_end(args);
    return text.data();
}

const char* UsageText() {
    return ChosenLanguage() == Language::Japanese ? kUsageJapanese : kUsageEnglish;
}
