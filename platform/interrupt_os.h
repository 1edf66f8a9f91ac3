// What the table of temporary files asks of each operating system. Not for use outside platform/.
#pragma once

namespace interrupt_os {

// Removes a file by its UTF-8 path; safe in a signal handler on POSIX.
void RemoveFile(const char* pszPath);

}  // namespace interrupt_os
