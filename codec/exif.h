// The orientation a photo's Exif data gives: how the picture as stored must be turned and
// mirrored to look as the camera saw it.
#pragma once

#include <cstddef>
#include <vector>

#include "codec/jpeg_decoder.h"

// From one APP1 segment's bytes (after its length): the Orientation tag (0x0112) of the first
// image file directory, either byte order, 1 to 8; 0 for a segment that is not Exif (XMP, say),
// has no such tag, or says something that makes no sense (a value out of range, offsets outside
// the segment). Reads nothing outside pData[0, nSize).
int ExifOrientation(const BYTE* pData, std::size_t nSize);

// The first orientation the APP1 segments among these markers give; 1 when none does.
int OrientationOf(const std::vector<COXJPEGDecoder::Marker>& markers);
