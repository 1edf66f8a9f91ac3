// What the portable part of the files asks of each operating system's half: recording an error
// for an open that failed, and the primitives of replacing a file. Not for use outside platform/.
#pragma once

#include <cstdio>

#include "platform/file.h"

// Puts an open's failure in *pError when given.
void RecordFileError(CFileException* pError, LONG lOsError, LPCTSTR lpszFileName);

// The C library's origin (SEEK_SET, SEEK_CUR, SEEK_END) for a CFile seek position.
int StreamSeekOrigin(UINT nFrom);

namespace replace_file_os {

// The characters that end a folder in a path.
extern const char* const kPathSeparators;
unsigned long ProcessId();

// Where a destination's bytes go: an existing device or pipe is written where it is; anything
// else is a file that a complete temporary one is moved over.
struct Destination {
    CString sReplaced;  // the file the path reaches through its links (absent for a new one)
    FILE* pInPlace = nullptr;
    CFile::Handle hInPlace = CFile::hFileNull;
};
// Reaches the destination through the system, so that its rules on links and its permissions
// apply, and refuses a link another user planted in a folder everyone may write to: 0, or the
// OS error (a file another program holds so that it cannot be replaced included, where the
// system can tell).
LONG ReachDestination(LPCTSTR lpszFileName, Destination& rDestination);
// Creates sPath, which must not exist, for writing, open to no one the file it replaces (at
// sReplaced, when there is one) keeps out: 0 with the stream and its handle, or the OS error.
LONG CreateTemp(const CString& sPath, const CString& sReplaced, FILE*& rpStream,
                CFile::Handle& rhFile);
// Gives the complete temporary file what the file it replaces had (permissions, owner, group or
// attributes, where the system lets us set them), or what a new file there would have had.
void TakeOverFrom(CFile::Handle hTemp, const CString& sReplaced);
BOOL AlreadyExists(LONG lOsError);
// Moves a file over another in one step: 0, or the OS error.
LONG MoveOver(const CString& sFrom, const CString& sTo);
void DeleteQuietly(const CString& sPath);

}  // namespace replace_file_os
