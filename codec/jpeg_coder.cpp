// COXJPEGCoder: libjpeg's error manager, message formatting and the coder registry.
#include "codec/jpeg_coder.h"

#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "libjpeg/libjpeg_call.h"

CMapPtrToPtr COXJPEGCoder::m_mapCoders(10);

namespace {

std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}

// A message callback ran out of memory while libjpeg was running: turn that into libjpeg's own
// fatal error instead of letting std::bad_alloc unwind through its frames.
void RaiseOutOfMemory(j_common_ptr cinfo) {
    cinfo->err->msg_code = JERR_OUT_OF_MEMORY;
    cinfo->err->msg_parm.i[0] = 0;
    (*cinfo->err->error_exit)(cinfo);
}

}  // namespace

COXJPEGCoder* COXJPEGCoder::FindCoder(j_common_ptr cinfo) {
    void* pCoder = nullptr;
    std::lock_guard<std::mutex> lock(RegistryMutex());
    return m_mapCoders.Lookup(cinfo, pCoder) ? static_cast<COXJPEGCoder*>(pCoder) : nullptr;
}

void COXJPEGCoder::Register(j_common_ptr cinfo, COXJPEGCoder* pCoder) {
    std::lock_guard<std::mutex> lock(RegistryMutex());
    m_mapCoders.SetAt(cinfo, pCoder);
}

void COXJPEGCoder::Unregister(j_common_ptr cinfo) {
    std::lock_guard<std::mutex> lock(RegistryMutex());
    m_mapCoders.RemoveKey(cinfo);
}

void COXJPEGCoder::HoldImageArraysInMemory(j_common_ptr cinfo) {
    m_pfnRealizeVirtArrays = cinfo->mem->realize_virt_arrays;
    cinfo->mem->realize_virt_arrays = RealizeVirtArraysCallback;
}

void COXJPEGCoder::RealizeVirtArraysCallback(j_common_ptr cinfo) {
    // Runs inside libjpeg: only trivially destructible locals, since realising may raise.
    COXJPEGCoder* pCoder = FindCoder(cinfo);
    if (pCoder == nullptr || pCoder->m_pfnRealizeVirtArrays == nullptr)
        ERREXIT(cinfo, JERR_NOTIMPL);  // not set up by HoldImageArraysInMemory: cannot happen
    const long nLimit = cinfo->mem->max_memory_to_use;
    cinfo->mem->max_memory_to_use = 0;  // no limit: everything fits
    (*pCoder->m_pfnRealizeVirtArrays)(cinfo);
    cinfo->mem->max_memory_to_use = nLimit;
}

BOOL COXJPEGCoder::InitErrorManager(jpeg_error_mgr* pErr) {
    // The library fills in its own message table and bounds.
    jpeg_std_error(pErr);
    pErr->error_exit = ErrorExitCallback;
    pErr->emit_message = EmitMessageCallback;
    pErr->output_message = OutputMessageCallback;
    pErr->format_message = FormatMessageCallback;
    pErr->reset_error_mgr = ResetErrorManagerCallback;
    pErr->trace_level = 0;
    pErr->num_warnings = 0;
    pErr->msg_code = 0;
    pErr->addon_message_table = nullptr;
    pErr->first_addon_message = 0;
    pErr->last_addon_message = 0;
    return TRUE;
}

void COXJPEGCoder::ErrorExitCallback(j_common_ptr cinfo) {
    if (COXJPEGCoder* pCoder = FindCoder(cinfo))
        pCoder->ErrorExit(cinfo);
    // No coder runs this object (or an override returned): error_exit must still not return.
    char szMessage[JMSG_LENGTH_MAX];
    FormatJPEGMessage(cinfo->err, szMessage);
    const int nCode = cinfo->err->msg_code;
    jpeg_destroy(cinfo);
    RaiseJPEGException(new COXJPEGException(nCode, szMessage));
}

void COXJPEGCoder::EmitMessageCallback(j_common_ptr cinfo, int nMsgLevel) {
    bool bOutOfMemory = false;
    try {
        if (COXJPEGCoder* pCoder = FindCoder(cinfo))
            pCoder->EmitMessage(cinfo, nMsgLevel);
    } catch (const std::bad_alloc&) {
        bOutOfMemory = true;
    }
    if (bOutOfMemory)
        RaiseOutOfMemory(cinfo);
}

void COXJPEGCoder::OutputMessageCallback(j_common_ptr cinfo) {
    bool bOutOfMemory = false;
    try {
        if (COXJPEGCoder* pCoder = FindCoder(cinfo))
            pCoder->OutputMessage(cinfo);
    } catch (const std::bad_alloc&) {
        bOutOfMemory = true;
    }
    if (bOutOfMemory)
        RaiseOutOfMemory(cinfo);
}

void COXJPEGCoder::FormatMessageCallback(j_common_ptr cinfo, char* pszBuffer) {
    if (COXJPEGCoder* pCoder = FindCoder(cinfo))
        pCoder->FormatErrorMessage(cinfo, pszBuffer);
}

void COXJPEGCoder::ResetErrorManagerCallback(j_common_ptr cinfo) {
    if (COXJPEGCoder* pCoder = FindCoder(cinfo))
        pCoder->ResetErrorManager(cinfo);
}

void COXJPEGCoder::ErrorExit(j_common_ptr cinfo) {
    Unregister(cinfo);
    try {
        OutputMessage(cinfo);
    } catch (const std::bad_alloc&) {
        // The exception below still carries the message.
    }
    jpeg_destroy(cinfo);
    char szMessage[JMSG_LENGTH_MAX];
    FormatErrorMessage(cinfo, szMessage);
    RaiseJPEGException(new COXJPEGException(cinfo->err->msg_code, szMessage));
}

void COXJPEGCoder::OutputMessage(j_common_ptr cinfo) {
    char szMessage[JMSG_LENGTH_MAX];
    FormatErrorMessage(cinfo, szMessage);
    m_sWarnings += szMessage;
    m_sWarnings += "\n";
}

void COXJPEGCoder::EmitMessage(j_common_ptr cinfo, int nMsgLevel) {
    jpeg_error_mgr* err = cinfo->err;
    if (nMsgLevel < 0) {
        m_bWarned = true;
        // Only the first warning of an image is recorded unless tracing; all are counted.
        if (err->num_warnings == 0 || err->trace_level >= 3)
            OutputMessage(cinfo);
        err->num_warnings++;
    } else if (err->trace_level >= nMsgLevel) {
        OutputMessage(cinfo);
    }
}

void COXJPEGCoder::FormatErrorMessage(j_common_ptr cinfo, char* pszBuffer) {
    FormatJPEGMessage(cinfo->err, pszBuffer);
}

void COXJPEGCoder::ResetErrorManager(j_common_ptr cinfo) {
    cinfo->err->num_warnings = 0;
    cinfo->err->msg_code = 0;
    m_sWarnings.Empty();
    m_bWarned = false;
}

namespace {

const char* MessageFormat(jpeg_error_mgr* err) {
    const int nCode = err->msg_code;
    if (nCode > 0 && nCode <= err->last_jpeg_message)
        return err->jpeg_message_table[nCode];
    if (err->addon_message_table != nullptr && nCode >= err->first_addon_message &&
        nCode <= err->last_addon_message)
        return err->addon_message_table[nCode - err->first_addon_message];
    return nullptr;
}

// One printf conversion, "%" up to and including its conversion letter.
struct Conversion {
    std::string sDirective;
    char letter;
};

Conversion ReadConversion(const char*& p) {
    const char* pStart = p++;
    while (*p != '\0' && std::strchr("-+ #0123456789.", *p) != nullptr)
        ++p;
    // libjpeg passes int parameters whatever the length modifier says; drop it.
    std::string sDirective(pStart, p);
    while (*p == 'h' || *p == 'l' || *p == 'z' || *p == 'j' || *p == 't' || *p == 'L')
        ++p;
    const char letter = *p;
    if (letter != '\0')
        ++p;
    return {sDirective + letter, letter};
}

// The conversion printed with its parameter; one a format has no parameter for prints as 0 or
// as an empty string, never as whatever happens to lie on the stack.
std::string FormatConversion(const Conversion& c, const char* pszString, const int* pInt) {
    char szPiece[JMSG_LENGTH_MAX];
    switch (c.letter) {
    case 'd':
    case 'i':
    case 'c':
        std::snprintf(szPiece, sizeof szPiece, c.sDirective.c_str(), pInt ? *pInt : 0);
        break;
    case 'u':
    case 'x':
    case 'X':
    case 'o':
        std::snprintf(szPiece, sizeof szPiece, c.sDirective.c_str(),
                      pInt ? static_cast<unsigned>(*pInt) : 0u);
        break;
    case 's':
        std::snprintf(szPiece, sizeof szPiece, c.sDirective.c_str(), pszString ? pszString : "");
        break;
    case '%':
        return "%";
    default:
        return c.sDirective;  // not a conversion libjpeg's messages use: shown as written
    }
    return szPiece;
}

}  // namespace

void FormatJPEGMessage(jpeg_error_mgr* err, char* pszBuffer) {
    const char* pszFormat = MessageFormat(err);
    if (pszFormat == nullptr) {
        err->msg_parm.i[0] = err->msg_code;
        pszFormat = err->jpeg_message_table[0];
    }
    // A format whose first conversion is %s takes the string parameter, any other the eight
    // integers, as libjpeg decides it. The string parameter may fill its whole array.
    const char* pFirst = std::strchr(pszFormat, '%');
    const bool bStringMessage = pFirst != nullptr && pFirst[1] == 's';
    char szString[JMSG_STR_PARM_MAX + 1];
    std::memcpy(szString, err->msg_parm.s, JMSG_STR_PARM_MAX);
    szString[JMSG_STR_PARM_MAX] = '\0';

    std::string sMessage;
    int nNextInt = 0;
    bool bStringUsed = false;
    for (const char* p = pszFormat; *p != '\0';) {
        if (*p != '%') {
            sMessage += *p++;
            continue;
        }
        const Conversion c = ReadConversion(p);
        const char* pszArg = nullptr;
        const int* pIntArg = nullptr;
        if (c.letter == 's' && bStringMessage && !bStringUsed) {
            pszArg = szString;
            bStringUsed = true;
        } else if (c.letter != 's' && c.letter != '%' && !bStringMessage && nNextInt < 8) {
            pIntArg = &err->msg_parm.i[nNextInt++];
        }
        sMessage += FormatConversion(c, pszArg, pIntArg);
    }
    lstrcpyn(pszBuffer, sMessage.c_str(), JMSG_LENGTH_MAX);
}

COXJPEGException* JPEGExceptionFromFile(CFileException* e) {
    char szMessage[255];
    e->GetErrorMessage(szMessage, sizeof szMessage);
    const int nCause = e->m_cause;
    e->Delete();
    return new COXJPEGException(nCause, szMessage);
}
