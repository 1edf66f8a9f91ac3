// The words of the bitmap readers' refusals, from their one list.
#include "imagefile/bitmap_codes.h"

const char* BitmapCodeMeaning(int nCode, bool bEnglish) {
    switch (nCode) {
#define TARNEL_BITMAP_CODE_WORDS(name, number, words, english) \
    case name:                                                 \
        return bEnglish ? english : words;
        TARNEL_BITMAP_CODES(TARNEL_BITMAP_CODE_WORDS)
#undef TARNEL_BITMAP_CODE_WORDS
    default:
        return nullptr;
    }
}
