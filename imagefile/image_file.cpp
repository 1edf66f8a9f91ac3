// COXImageFile: construction over a path or a borrowed file.
#include "imagefile/image_file.h"

COXImageFile::COXImageFile() : m_pBuffer(nullptr), m_nBufferHeight(0) {}

COXImageFile::COXImageFile(CString sFileName)
    : m_pBuffer(nullptr), m_nBufferHeight(0), m_file(std::move(sFileName)) {}

COXImageFile::COXImageFile(CFile* pFile) : m_pBuffer(nullptr), m_nBufferHeight(0), m_file(pFile) {}
