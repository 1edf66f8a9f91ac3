// Fuzzer input run in memory: one conversion, as the encoder or the decoder runs it on files, or
// a DIB or a path object loaded as the program loads them.
#pragma once

#include <cstddef>
#include <cstdint>

// Reads data as a bitmap and compresses it; every outcome but a crash is fine.
void FuzzBitmapToJpeg(const std::uint8_t* data, std::size_t size);
// Reads data with the reader of every bitmap layout, colour profile included, and compresses it.
void FuzzAnyBitmapToJpeg(const std::uint8_t* data, std::size_t size);
// Reads data as a JPEG and decompresses it into a bitmap, with options taken from its last
// byte; every outcome but a crash is fine.
void FuzzJpegToBitmap(const std::uint8_t* data, std::size_t size);
// Reads data as a BMP file into a COXDIB, and as an archive holding a COXDIB object; turns,
// resizes and writes whatever is accepted.
void FuzzDib(const std::uint8_t* data, std::size_t size);
// Loads data as an archive holding path objects (file, directory and path records).
void FuzzPathRecords(const std::uint8_t* data, std::size_t size);
// By its first byte: reads the rest as Exif data for its orientation, as APP2 segments to join
// into a colour profile, or as a bitmap to turn as an orientation says and give a profile.
void FuzzExifAndOrientation(const std::uint8_t* data, std::size_t size);
