// COXJPEGCoder, the base of the encoder and decoder: libjpeg's error manager, the collected
// messages of a run and the registry that routes libjpeg's callbacks to the running coder.
#pragma once

#include "libjpeg/jpeg_exception.h"
#include "libjpeg/libjpeg.h"
#include "platform/exception.h"
#include "platform/cstring.h"
#include "platform/object.h"
#include "platform/ptrmap.h"

// Result of a run; every failure is a thrown COXJPEGException* instead.
constexpr short JPEG_SUCCESS = 0;
constexpr short JPEG_WARNING = 2;  // finished, but libjpeg output at least one message

class COXJPEGCoder : public CObject {
public:
    COXJPEGCoder() = default;
    ~COXJPEGCoder() override = default;

    // Fills *pErr like jpeg_std_error, with all five methods routed to this class. Always TRUE.
    BOOL InitErrorManager(jpeg_error_mgr* pErr);

    // Every message libjpeg output since it last reset its error manager, each ending in "\n".
    CString GetWarningMessages() const { return m_sWarnings; }
    // Whether one of them was a warning; the others are level-0 trace messages, notes such as
    // "Caution: quantization tables are too coarse for baseline JPEG", which libjpeg's own tools
    // show without counting them as warnings.
    bool HasWarned() const { return m_bWarned; }

    // libjpeg's error-manager methods: each finds the coder running cinfo and forwards.
    static void ErrorExitCallback(j_common_ptr cinfo);
    static void EmitMessageCallback(j_common_ptr cinfo, int nMsgLevel);
    static void OutputMessageCallback(j_common_ptr cinfo);
    static void FormatMessageCallback(j_common_ptr cinfo, char* pszBuffer);
    static void ResetErrorManagerCallback(j_common_ptr cinfo);

protected:
    // Fatal error: unregister, record, destroy the libjpeg object, throw. Never returns.
    virtual void ErrorExit(j_common_ptr cinfo);
    virtual void OutputMessage(j_common_ptr cinfo);
    virtual void EmitMessage(j_common_ptr cinfo, int nMsgLevel);
    // pszBuffer holds at least JMSG_LENGTH_MAX bytes.
    virtual void FormatErrorMessage(j_common_ptr cinfo, char* pszBuffer);
    virtual void ResetErrorManager(j_common_ptr cinfo);

    // libjpeg here has no backing store: every image array it realises is held in memory. A
    // memory limit (the coder's option or the JPEGMEM variable) could then only fail a run
    // that fits in memory, never change its output, so arrays are realised as if there were
    // none; the limit itself stays set. Call right after the object is created.
    void HoldImageArraysInMemory(j_common_ptr cinfo);

    // The result of a finished run, from what libjpeg output during it.
    short RunResult() const { return m_sWarnings.IsEmpty() ? JPEG_SUCCESS : JPEG_WARNING; }

    // Runs a run's processing step with cinfo registered to this coder. Whatever leaves the
    // step, the registration and the libjpeg object are gone before it reaches the caller, and
    // a file exception arrives as a COXJPEGException. cinfo must be zeroed before the call.
    template <typename Body>
    void RunRegistered(j_common_ptr cinfo, Body body);

    CString m_sWarnings;
    bool m_bWarned = false;

    // libjpeg object being run -> the COXJPEGCoder running it.
    static CMapPtrToPtr m_mapCoders;

private:
    static COXJPEGCoder* FindCoder(j_common_ptr cinfo);
    // The registry is shared by conversions running at once on several threads.
    static void Register(j_common_ptr cinfo, COXJPEGCoder* pCoder);
    static void Unregister(j_common_ptr cinfo);
    static void RealizeVirtArraysCallback(j_common_ptr cinfo);

    // The memory manager's own realize_virt_arrays, which the callback above wraps.
    void (*m_pfnRealizeVirtArrays)(j_common_ptr) = nullptr;
};

// The COXJPEGException a run throws for a file exception: its cause and its text (at most 254
// bytes). Deletes e.
COXJPEGException* JPEGExceptionFromFile(CFileException* e);

template <typename Body>
void COXJPEGCoder::RunRegistered(j_common_ptr cinfo, Body body) {
    Register(cinfo, this);
    try {
        body();
    } catch (CFileException* e) {
        Unregister(cinfo);
        jpeg_destroy(cinfo);
        throw JPEGExceptionFromFile(e);
    } catch (...) {
        // ErrorExit has already destroyed the object; destroying it again is harmless.
        Unregister(cinfo);
        jpeg_destroy(cinfo);
        throw;
    }
    Unregister(cinfo);
}

// libjpeg's standard formatting of err's current message into pszBuffer (JMSG_LENGTH_MAX
// bytes), guarded against formats whose conversions do not match the parameters.
void FormatJPEGMessage(jpeg_error_mgr* err, char* pszBuffer);
