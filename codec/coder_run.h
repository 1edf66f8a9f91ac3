// The file stages that the encoder's and the decoder's runs share.
#pragma once

#include "codec/jpeg_coder.h"
#include "codec/jpeg_image_file.h"
#include "imagefile/image_file.h"

// Opens or closes a run's two files through action. A file exception aborts both, the image
// file first, and leaves as a COXJPEGException.
template <typename Action>
void RunFileStage(COXImageFile* pImage, COXJPEGImageFile* pJpeg, Action action) {
    try {
        action();
    } catch (CFileException* e) {
        pImage->Abort();
        pJpeg->Abort();
        throw JPEGExceptionFromFile(e);
    }
}
