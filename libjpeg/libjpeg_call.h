// Calling into libjpeg so that its fatal errors come back as C++ exceptions without a C++
// exception ever unwinding through libjpeg's C frames.
//
// libjpeg's error_exit must not return. When it fires inside a libjpeg call, the coder's error
// manager long-jumps back to the CallLibjpeg frame that made the call, and that frame throws.
// When it fires in our own code (an image file checking a header), it throws directly. Everything
// between a CallLibjpeg frame and the jump is libjpeg's C code or our callbacks, which hold only
// trivially destructible locals at the point where they raise an error.
#pragma once

#include <csetjmp>
#include <type_traits>

#include "libjpeg/jpeg_exception.h"

namespace libjpeg_call {

struct Frame {
    std::jmp_buf target;
    Frame* pOuter;
    COXJPEGException* pPending;
};

// The innermost libjpeg call in progress on this thread, or null.
Frame*& ActiveFrame();

}  // namespace libjpeg_call

// Hands a fatal error to the caller: long-jumps to the libjpeg call in progress, or throws
// when none is. Never returns.
[[noreturn]] void RaiseJPEGException(COXJPEGException* pException);

// Runs fn, a call into libjpeg, and returns its result.
template <typename Fn>
auto CallLibjpeg(Fn fn) -> decltype(fn()) {
    libjpeg_call::Frame frame;
    frame.pOuter = libjpeg_call::ActiveFrame();
    frame.pPending = nullptr;
    libjpeg_call::ActiveFrame() = &frame;
    if (setjmp(frame.target) != 0) {
        // Read back through the thread's frame pointer, which lives outside this frame, so
        // nothing depends on locals a register may have held across the jump.
        libjpeg_call::Frame* pLanded = libjpeg_call::ActiveFrame();
        libjpeg_call::ActiveFrame() = pLanded->pOuter;
        throw pLanded->pPending;
    }
    if constexpr (std::is_void_v<decltype(fn())>) {
        fn();
        libjpeg_call::ActiveFrame() = frame.pOuter;
    } else {
        auto result = fn();
        libjpeg_call::ActiveFrame() = frame.pOuter;
        return result;
    }
}
