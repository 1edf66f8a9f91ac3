// The test bitmaps, each case written once: a picture in every layout the readers take, and the
// hostile files they refuse, with what each reader says of them. The suites of the bitmap file,
// the reader of every layout, the DIB and the one verdict on every bitmap all read these.
#pragma once

#include <string>
#include <vector>

#include "tests/support/bmp_builder.h"

struct BitmapLayoutCase {
    const char* pszWhat;
    BmpShape shape;
    int nClassicCode;  // the bitmap file's own reader: 0 when it takes the layout, else its code
};

struct HostileBitmapCase {
    const char* pszWhat;
    std::string sBytes;
    int nClassicCode;  // the bitmap file's own reader's refusal
    int nEveryCode;    // the reader of every layout's (the DIB and transform refuse it too)
};

std::vector<BitmapLayoutCase> EveryBitmapLayout();
std::vector<HostileBitmapCase> HostileBitmaps();
