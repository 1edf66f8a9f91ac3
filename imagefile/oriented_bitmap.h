// Turning and mirroring a bitmap file as a photo's Exif orientation asks, and giving it the
// photo's colour profile, file to file, in strips, so that memory stays bounded whatever the
// picture's size.
#pragma once

#include <vector>

#include "platform/file.h"

// Writes the bitmap in source to dest as it looks under Exif orientation nOrientation: 2 mirrored
// left to right, 3 turned half round, 4 mirrored top to bottom, 5 mirrored along the falling
// diagonal, 6 turned a quarter clockwise, 7 mirrored along the rising diagonal, 8 turned a
// quarter anticlockwise; 1 as it is. The source is one this program wrote (a 12- or 40-byte
// header, 8 or 24 bits a pixel, bottom-up, positionable); dest is written in order, so it may be
// a pipe. Reads at most 16 MiB of the picture at a time. FALSE for a source of another layout;
// file errors are thrown as CFileException*.
// With a profile, the header becomes a version-5 one that says the profile is embedded, and
// the profile follows the pixels; the source must then have a 40-byte header.
BOOL WriteOriented(CFile& source, int nOrientation, CFile& dest,
                   const std::vector<BYTE>* pProfile = nullptr);
