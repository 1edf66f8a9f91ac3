// One conversion of fuzzer input in memory, as the encoder or the decoder runs it on files.
#pragma once

#include <cstddef>
#include <cstdint>

// Reads data as a bitmap and compresses it; every outcome but a crash is fine.
void FuzzBitmapToJpeg(const std::uint8_t* data, std::size_t size);
// Reads data with the reader of every bitmap layout and compresses it.
void FuzzAnyBitmapToJpeg(const std::uint8_t* data, std::size_t size);
// Reads data as a JPEG and decompresses it into a bitmap, with options taken from its last
// byte; every outcome but a crash is fine.
void FuzzJpegToBitmap(const std::uint8_t* data, std::size_t size);
