// The two 4 x 2 test pictures the window tests paint and read back: a 24-bit one and the 8-bit
// one of tests/data/resource-8bit.bmp, with the colour of each pixel.
#pragma once

#include <windows.h>

namespace test_pictures {

const int kWidth = 4;
const int kHeight = 2;

// Colour of the 24-bit picture's pixel at column x of row y counted from the top.
inline COLORREF Expected24(int x, int y) { return RGB(40 * x + 10, 100 + 50 * y, 200 - 30 * x); }

// The 8-bit picture's colour table, and its indexes from the top.
inline const COLORREF kTable[8] = {RGB(0, 0, 0),     RGB(255, 0, 0),    RGB(0, 255, 0),
                                   RGB(0, 0, 255),   RGB(255, 255, 0),  RGB(0, 255, 255),
                                   RGB(255, 0, 255), RGB(255, 255, 255)};
inline const int kIndexes[2][4] = {{1, 2, 3, 4}, {5, 6, 7, 0}};
inline COLORREF Expected8(int x, int y) { return kTable[kIndexes[y][x]]; }

}  // namespace test_pictures
