// The bitmap readers' own message codes, each written once: its name, its number and, for a
// refusal, what it means in words. libjpeg's table has no entry for them (its text for them is
// "Bogus message code %d"), so the conversion service shows these words instead.
#pragma once

// X(name, number, words, English words): the words are null for the trace messages, which are
// not refusals; the Japanese words are the dialog's, tarnel-cli shows either.
#define TARNEL_BITMAP_CODES(X)                                                                 \
    /* colour-map entry size, or more than 256 colours */                                      \
    X(BMP_ERR_COLORMAP, 1001, "色表の項目の大きさか色数 (256 色まで) が読めません",            \
      "the colour table has entries of an unreadable size, or more than 256 colours")          \
    /* a bit count the reader does not take */                                                 \
    X(BMP_ERR_BIT_COUNT, 1002, "この 1 画素あたりのビット数には対応していません",              \
      "this number of bits per pixel is not supported")                                        \
    /* header length, pixel offset or dimensions unusable */                                   \
    X(BMP_ERR_HEADER, 1003, "ヘッダーの長さ・画素データの位置・幅や高さが使えない値です",      \
      "the header length, the pixel offset or the width or height is unusable")                \
    /* planes other than 1 */                                                                  \
    X(BMP_ERR_PLANES, 1004, "プレーン数が 1 ではありません", "the number of planes is not 1")  \
    /* output colour space neither greyscale nor RGB */                                        \
    X(BMP_ERR_COLOR_SPACE, 1005, "出力の色空間がグレースケールでも RGB でもありません",        \
      "the output colour space is neither greyscale nor RGB")                                  \
    /* a compression the reader does not take */                                               \
    X(BMP_ERR_COMPRESSED, 1006, "この圧縮形式のビットマップには対応していません",              \
      "this kind of compressed bitmap is not supported")                                       \
    /* no "BM" at the start */                                                                 \
    X(BMP_ERR_NOT_BMP, 1007, "BMP ファイルではありません (先頭が \"BM\" ではありません)",      \
      "not a BMP file (it does not start with \"BM\")")                                        \
    /* trace: Windows 24-bit, width and height */                                              \
    X(BMP_TRC_WIN_24, 1008, nullptr, nullptr)                                                  \
    /* trace: Windows 8-bit colour-mapped */                                                   \
    X(BMP_TRC_WIN_8, 1009, nullptr, nullptr)                                                   \
    /* trace: OS/2 24-bit */                                                                   \
    X(BMP_TRC_OS2_24, 1010, nullptr, nullptr)                                                  \
    /* trace: OS/2 8-bit colour-mapped */                                                      \
    X(BMP_TRC_OS2_8, 1011, nullptr, nullptr)                                                   \
    /* a pixel's colour index lies beyond the colour map */                                    \
    X(BMP_ERR_COLOR_INDEX, 1012, "画素の色番号が色表の外を指しています",                       \
      "a pixel's colour index lies beyond the colour table")                                   \
    /* the picture is larger than a bitmap or a JPEG can be */                                 \
    X(BMP_ERR_TOO_LARGE, 1013, "画像が大きすぎて扱えません", "the picture is too large")       \
    /* the pixels are a JPEG image inside the bitmap */                                        \
    X(BMP_ERR_EMBEDDED_JPEG, 1014,                                                             \
      "中身が JPEG 画像のビットマップです (そのまま JPEG として使えます)",                     \
      "the bitmap holds a JPEG image (use it as a JPEG as it is)")                             \
    /* the pixels are a PNG image inside the bitmap */                                         \
    X(BMP_ERR_EMBEDDED_PNG, 1015, "中身が PNG 画像のビットマップです",                         \
      "the bitmap holds a PNG image")                                                          \
    /* OS/2 Huffman or 24-bit run-length coding */                                             \
    X(BMP_ERR_OS2_COMPRESSION, 1016,                                                           \
      "OS/2 の Huffman 圧縮か 24 ビットのランレングス圧縮には対応していません",                \
      "OS/2 Huffman and 24-bit run-length compression are not supported")                      \
    /* run-length data that runs off the picture or ends early */                              \
    X(BMP_ERR_BAD_RLE, 1017, "ランレングス圧縮のデータが壊れています",                         \
      "the run-length compressed data is damaged")                                             \
    /* colour masks that are empty, overlap or have holes */                                   \
    X(BMP_ERR_BIT_FIELDS, 1018, "色のビットマスクが空か重なっていて使えません",                \
      "the colour bit masks are empty or overlap")                                             \
    /* more colours to write than the header announces */                                      \
    X(BMP_ERR_COLORMAP_SIZE, 1039, "色数が色表の 256 色を超えています",                        \
      "more colours than the 256 of a colour table")                                           \
    /* a warning: a profile that is only named, or lies outside the file, is not carried */    \
    X(BMP_WRN_PROFILE, 1040, "色プロファイルが別のファイルかファイルの外にあるため付けません", \
      "the colour profile is another file or lies outside this one: left out")

enum : int {
#define TARNEL_BITMAP_CODE_NUMBER(name, number, words, english) name = number,
    TARNEL_BITMAP_CODES(TARNEL_BITMAP_CODE_NUMBER)
#undef TARNEL_BITMAP_CODE_NUMBER
};

// What a bitmap reader's refusal means, in words (Japanese, or English); null for any other code.
const char* BitmapCodeMeaning(int nCode, bool bEnglish = false);
