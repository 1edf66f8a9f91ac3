// The words of the bitmap readers' refusals, from their one list.
#include "imagefile/bitmap_codes.h"

const char* BitmapCodeMeaning(int nCode) {
    switch (nCode) {
#define TARNEL_BITMAP_CODE_WORDS(name, number, words) \
    case name:                                        \
        return words;
        TARNEL_BITMAP_CODES(TARNEL_BITMAP_CODE_WORDS)
#undef TARNEL_BITMAP_CODE_WORDS
    default:
        return nullptr;
    }
}
