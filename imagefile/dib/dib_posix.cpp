// COXDIB where there is no screen: no halftone palette to reduce to, and the system's default
// palette as Windows defines it.
#include <algorithm>

#include "imagefile/dib/dib.h"

namespace {

// The 20 static colours of the default palette.
constexpr PALETTEENTRY kDefaultPalette[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},
    {0, 0, 128, 0},     {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0},
    {192, 220, 192, 0}, {166, 202, 240, 0}, {255, 251, 240, 0}, {160, 160, 164, 0},
    {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},     {255, 255, 0, 0},
    {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0}};

}  // namespace

BOOL COXDIB::ReduceTo8Bit() { return FALSE; }

UINT COXDIB::GetDefaultPaletteEntries(PALETTEENTRY* pEntries, UINT nMax) {
    const UINT n = std::min<UINT>(nMax, 20);
    std::copy_n(kDefaultPalette, n, pEntries);
    return n;
}
