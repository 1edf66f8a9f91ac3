// File handling shared by the JPEG file and the uncompressed image files: opening by name,
// letting an owned or borrowed file go, and transfers that report failures by result.
#pragma once

#include "platform/cstring.h"
#include "platform/file.h"

// A file opened in binary mode on sFileName. Output that creates its file is written beside
// the destination and replaces it only when closed successfully. Throws CFileException*; an
// empty name is a bad path.
CFile* OpenImageFile(const CString& sFileName, UINT nOpenFlags);

// Lets go of rpFile: an owned file (bBorrowed FALSE) is closed (bClose) or aborted, deleted and
// forgotten, even when closing throws; a borrowed one is only forgotten, and only if bDetach.
void ReleaseImageFile(CFile*& rpFile, BOOL bBorrowed, BOOL bDetach, BOOL bClose);

// Transfers that absorb file exceptions: 0 bytes read, FALSE written. A null file is a failure.
UINT ReadImageFileBytes(CFile* pFile, void* pBuffer, UINT nCount);
BOOL WriteImageFileBytes(CFile* pFile, const void* pBuffer, UINT nCount);
