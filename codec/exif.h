// What a photo's metadata says: the orientation its Exif data gives (how the picture as stored
// must be turned and mirrored to look as the camera saw it) and the colour profile it carries.
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

// The APP1 segments of a JPEG's header, from its first nSize bytes, without decoding it: a
// cheap look at the orientation before choosing how to convert. FALSE when the bytes are not a
// JPEG's start or the header goes on past them (the decoder then reads it as usual).
BOOL ReadHeaderExif(const BYTE* pData, std::size_t nSize,
                    std::vector<COXJPEGDecoder::Marker>& rSegments);

// What the APP2 segments among these markers hold of an ICC colour profile, joined in their
// order ("ICC_PROFILE\0", the segment's number from 1, how many there are, then the bytes).
enum class ProfileFound { None, Whole, Damaged };
ProfileFound JoinIccProfile(const std::vector<COXJPEGDecoder::Marker>& markers,
                            std::vector<BYTE>& rProfile);
