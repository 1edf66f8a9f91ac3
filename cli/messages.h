// tarnel-cli's words: every message once, in English and in Japanese, and the language the
// user's locale asks for.
#pragma once

#include <string>

// X(name, English, Japanese): printf formats with the same conversions in both.
#define TARNEL_CLI_MESSAGES(X)                                                                     \
    X(TryHelp, "Try 'tarnel-cli --help' for more information.",                                    \
      "'tarnel-cli --help' で使い方を表示します")                                                  \
    X(NoCommand, "no command given (compress, uncompress or transform)",                           \
      "コマンドがありません (compress, uncompress または transform)")                              \
    X(UnknownCommand, "unknown command: %s (compress, uncompress or transform)",                   \
      "不明なコマンドです: %s (compress, uncompress または transform)")                            \
    X(OptionBeforeCommand, "%s comes before the command; options follow it: tarnel-cli %s ... %s", \
      "%s がコマンドより前にあります。オプションはコマンドの後に書きます: tarnel-cli %s ... %s")   \
    X(UnknownOption, "unknown option: %s", "不明なオプションです: %s")                             \
    X(DidYouMean, "%s (did you mean %s?)", "%s (%s のことですか?)")                                \
    X(NeedsValue, "%s needs a value", "%s には値が必要です")                                       \
    X(TakesNoValue, "%s takes no value", "%s は値をとりません")                                    \
    X(BadValue, "invalid value for %s: '%s' (%s)", "%s の値が正しくありません: '%s' (%s)")         \
    X(RangeZeroToHundred, "a whole number from 0 to 100", "0 から 100 までの整数")                 \
    X(RangeColors, "0, or a whole number from 8 to 256", "0 か, 8 から 256 までの整数")            \
    X(RangeJobs, "a whole number from 1 to 256", "1 から 256 までの整数")                          \
    X(RangeMemory, "thousands of bytes, a whole number", "1000 バイト単位の整数")                  \
    X(RangeChoice, "one of %s", "%s のどれか")                                                     \
    X(RangeAngle, "a multiple of 90", "90 の倍数")                                                 \
    X(RangeGeometry, "WIDTHxHEIGHT, both above 0", "幅x高さ (どちらも 1 以上)")                    \
    X(RangeFolder, "a folder", "フォルダー")                                                       \
    X(NeedBitmaps, "compress needs the bitmaps to convert (files or folders)",                     \
      "compress には入力の BMP (ファイルかフォルダー) が必要です")                                 \
    X(NeedJpegs, "uncompress needs the JPEGs to convert (files or folders)",                       \
      "uncompress には入力の JPEG (ファイルかフォルダー) が必要です")                              \
    X(TransformNeedsTwo, "transform needs two paths, the bitmap to read and the one to write",     \
      "transform には入力と出力の BMP の 2 つのパスが必要です")                                    \
    X(DashTakesOneFile,                                                                            \
      "'-' (standard input or output) stands for one file: tarnel-cli %s - - < IN > OUT",          \
      "'-' (標準入力・標準出力) は 1 つのファイルの形で使います: tarnel-cli %s - - < 入力 > 出力") \
    X(Terminal,                                                                                    \
      "refusing to write binary data to a terminal (redirect it or name an output file)",          \
      "端末にはバイナリデータを書きません (リダイレクトするか出力ファイルを指定してください)")     \
    X(NoSuchFile, "no such file", "ファイルがありません")                                          \
    X(IsFolder, "is a folder, not a file", "ファイルではなくフォルダーです")                       \
    X(NoSuchFolder, "no such folder: %s", "フォルダーがありません: %s")                            \
    X(CannotRead, "cannot be read: %s", "読めません: %s")                                          \
    X(Warning, "warning: %s", "警告: %s")                                                          \
    X(Overwrite, "%s exists. Overwrite?", "すでに %s は存在します 上書きしますか？")               \
    X(NotOverwritten, "not overwritten: there is no terminal to ask on (--yes replaces it)",       \
      "端末から確認できないため上書きしません (--yes で置き換えます)")                             \
    X(NotABitmap, "cannot be read as a bitmap", "ビットマップとして読めません")                    \
    X(CannotResize, "cannot be resized (it takes 8 bits per pixel or more)",                       \
      "拡大縮小できません (8 ビット以上の画像が対象です)")                                         \
    X(CannotTurn, "cannot be rotated or flipped (out of memory)",                                  \
      "回転・反転できません (メモリが足りません)")                                                 \
    X(CannotWrite, "cannot be written", "書き込めません")                                          \
    X(Seconds, "%f s", "%f 秒")                                                                    \
    X(WriteError, "write error: %s", "書き込みエラー: %s")                                         \
    X(FolderUnreadable, "cannot read the folder: %s", "フォルダーを読めません: %s")                \
    X(FolderNeedsR, "is a folder (its files are converted with -r)",                               \
      "フォルダーです (中のファイルは -r で変換します)")                                           \
    X(OutputIsInput, "its output %s is one of the inputs", "出力 %s が入力のひとつと同じです")     \
    X(OutputClash, "its output %s is also the output of %s", "出力 %s は %s の出力と重なります")   \
    X(CannotMakeFolder, "cannot make the folder %s: %s", "フォルダー %s を作れません: %s")         \
    X(Summary, "%zu converted, %zu with warnings, %zu failed, %zu skipped",                        \
      "変換 %zu, 警告付き %zu, 失敗 %zu, スキップ %zu")                                            \
    X(SkippedHint, " (the outputs exist; --yes replaces them)",                                    \
      " (出力が既にあります。--yes で置き換えます)")                                               \
    X(NotStarted, "interrupted: %zu files not converted",                                          \
      "中断しました: %zu ファイルは変換していません")                                              \
    X(Stopping, "stopping: the files being converted are finished first",                          \
      "中断します: 変換中のファイルを終えてから止まります")                                        \
    X(NoBitmapsFound, "no bitmaps (.bmp, .dib) to convert",                                        \
      "変換するビットマップ (.bmp, .dib) が見つかりません")                                        \
    X(NoJpegsFound, "no JPEGs (.jpg, .jpeg, .jpe, .jfif) to convert",                              \
      "変換する JPEG (.jpg, .jpeg, .jpe, .jfif) が見つかりません")                                 \
    X(Progress, "%s/%s files  %s/%s MB", "%s/%s ファイル  %s/%s MB")                               \
    X(ProgressRate, "  %s MB/s  %s left", "  %s MB/s  残り %s")                                    \
    X(ProfileDamaged, "the colour profile's segments do not fit together: left out",               \
      "色プロファイルの APP2 セグメントがそろっていないため付けません")                            \
    X(ProfileNotOs2, "--keep-profile writes a Windows bitmap; an OS/2 one (--os2) has no room",    \
      "--keep-profile は Windows 形式のビットマップに書きます。OS/2 形式 (--os2) には入りません")  \
    X(Converted, "%s -> %s", "%s -> %s")                                                           \
    X(Skipped, "%s: skipped, %s exists", "%s: スキップ (%s が既にあります)")

enum class Msg {
#define TARNEL_CLI_MESSAGE_NAME(name, english, japanese) name,
    TARNEL_CLI_MESSAGES(TARNEL_CLI_MESSAGE_NAME)
#undef TARNEL_CLI_MESSAGE_NAME
};

enum class Language { English, Japanese };

// The language of the user's locale: Japanese for a Japanese one, English for every other.
Language LocaleLanguage();
// The language the messages are given in from now on (at the start, LocaleLanguage()).
void SetLanguage(Language language);
Language CurrentLanguage();

// A message in the current language, with its values put in.
std::string Say(Msg message, ...);
// A message's format in a language.
const char* FormatOf(Msg message, Language language);
// tarnel-cli's --help text in the current language.
const char* UsageText();
