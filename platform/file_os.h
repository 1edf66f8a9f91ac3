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
// The file a destination path stands for: a symbolic link's target (the link stays), else the
// path itself.
CString FollowLinks(const CString& sPath);
// 0 when the destination is absent or a file we may write, else the OS error (one that another
// program holds open so that it cannot be replaced included, where the system can tell);
// rbInPlace when it is no regular file (a device, a pipe) and must be written in place.
LONG CheckDestination(LPCTSTR lpszFileName, BOOL& rbInPlace);
// Creates sPath, which must not exist, for writing, with lpszLikeFile's permissions (and owner,
// group or attributes) where the system has them and lets us set them: 0 with the stream and its
// handle, or the OS error.
LONG CreateTemp(const CString& sPath, LPCTSTR lpszLikeFile, FILE*& rpStream, CFile::Handle& rhFile);
BOOL AlreadyExists(LONG lOsError);
// Moves a file over another in one step: 0, or the OS error.
LONG MoveOver(const CString& sFrom, const CString& sTo);
void DeleteQuietly(const CString& sPath);

}  // namespace replace_file_os
