// The jump target of libjpeg calls in progress.
#include "libjpeg/libjpeg_call.h"

#include "libjpeg/jpeg_exception.h"

libjpeg_call::Frame*& libjpeg_call::ActiveFrame() {
    thread_local Frame* pActive = nullptr;
    return pActive;
}

void RaiseJPEGException(COXJPEGException* pException) {
    libjpeg_call::Frame* pFrame = libjpeg_call::ActiveFrame();
    if (pFrame == nullptr)
        throw pException;
    pFrame->pPending = pException;
    std::longjmp(pFrame->target, 1);
}
