// What an interrupted run leaves behind: the temporary files still being written are removed and
// the process ends as shells expect of an interrupted program.
#pragma once

#include "platform/cstring.h"

// While one exists, an interruption (Ctrl-C, a termination request or a closed terminal; on
// Windows Ctrl-C, Ctrl-Break or a closed console) removes every temporary file still being
// written and ends the process: on POSIX by the same signal, which a shell reports as 130, 143
// or 129 and which stops a shell loop; on Windows with those exit codes. A second interruption
// while the files are removed waits until they are gone. One at a time, on the main thread.
class CRemoveTemporariesOnInterrupt {
public:
    CRemoveTemporariesOnInterrupt();
    ~CRemoveTemporariesOnInterrupt();
    CRemoveTemporariesOnInterrupt(const CRemoveTemporariesOnInterrupt&) = delete;
    CRemoveTemporariesOnInterrupt& operator=(const CRemoveTemporariesOnInterrupt&) = delete;
};

// Ends the process as the signal nSignal (SIGINT, SIGTERM, SIGHUP) ends a program that does not
// catch it: on POSIX by that signal, on Windows with 128 and its number (130 after Ctrl-C). For a
// run that caught the signal to finish its work first.
[[noreturn]] void EndAsInterrupted(int nSignal);

namespace interrupt_cleanup {

// The temporary files being written, in a table an interruption may read at any moment. Register
// gives the slot to give back, or -1 when the table is full (the file is then not removed by an
// interruption; a table of 64 holds every file a batch writes at once).
int Register(const CString& sPath);
void Unregister(int nSlot);
// Removes every registered file; safe in a signal handler.
void RemoveAll();

}  // namespace interrupt_cleanup
