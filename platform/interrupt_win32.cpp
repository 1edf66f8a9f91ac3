// Interruptions on Windows: Ctrl-C, Ctrl-Break and a closed console remove the temporary files
// and end the process with the code a POSIX shell would show for the matching signal.
#include "platform/interrupt.h"
#include "platform/interrupt_os.h"
#include "platform/wide_win32.h"
#include "platform/win32.h"

namespace {

// The system calls this on a thread of its own. The temporary files are open with deletion
// shared, so removing them marks them, and they go when the process ends.
BOOL WINAPI RemoveTemporariesAndEnd(DWORD nEvent) {
    UINT nExitCode = 0;
    switch (nEvent) {
    case CTRL_C_EVENT:
        nExitCode = 130;
        break;
    case CTRL_BREAK_EVENT:
        nExitCode = 143;
        break;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        nExitCode = 129;
        break;
    default:
        return FALSE;
    }
    interrupt_cleanup::RemoveAll();
    ExitProcess(nExitCode);
}

}  // namespace

void interrupt_os::RemoveFile(const char* pszPath) { DeleteFileW(Utf8ToWide(pszPath).c_str()); }

void EndAsInterrupted(int nSignal) { ExitProcess(128 + static_cast<UINT>(nSignal)); }

CRemoveTemporariesOnInterrupt::CRemoveTemporariesOnInterrupt() {
    SetConsoleCtrlHandler(RemoveTemporariesAndEnd, TRUE);
}

CRemoveTemporariesOnInterrupt::~CRemoveTemporariesOnInterrupt() {
    SetConsoleCtrlHandler(RemoveTemporariesAndEnd, FALSE);
}
