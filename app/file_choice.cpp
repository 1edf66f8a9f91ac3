// CTarnelDlg's file choice commands: choosing the bitmap or the JPEG in a file dialog, by
// dropping files on the dialog or on the command line, the size read-out and the derived name of
// the other file.
#include <string>
#include <vector>

#include "app/resource.h"
#include "app/tarnel_dlg.h"
#include "platform/file.h"
#include "platform/winuser.h"

void CTarnelDlg::OnSelectBitmap() {
    const FileDialogRequest request{TRUE, "bmp", "*.bmp", OFN_HIDEREADONLY,
                                    "Bitmap Files (*.bmp) | *.bmp ||"};
    ChooseFile(request, m_sBitmapFile, m_sJpegFile, ".jpg", IDC_UNCOMPRESS);
}

void CTarnelDlg::OnSelectJpeg() {
    const FileDialogRequest request{FALSE, "jpg", "*.jpg", OFN_HIDEREADONLY,
                                    "JPEG Files (*.jpg or jpeg) | *.jpg;*.jpeg ||"};
    ChooseFile(request, m_sJpegFile, m_sBitmapFile, ".bmp", IDC_COMPRESS);
}

namespace {

const char* const kBitmapExtensions[] = {"bmp", "dib"};
const char* const kJpegExtensions[] = {"jpg", "jpeg", "jpe", "jfif"};

// Whether the file name ends in one of the extensions, whatever their case.
template <std::size_t N>
bool HasExtension(const CString& sPath, const char* const (&extensions)[N]) {
    CString sStem;
    CTarnelDlg::CutAtLast(sPath, '.', sStem);
    if (sStem.GetLength() == sPath.GetLength())
        return false;
    const CString sExtension = sPath.Mid(sStem.GetLength() + 1);
    for (const char* pszExtension : extensions)
        if (sExtension.CompareNoCase(pszExtension) == 0)
            return true;
    return false;
}

}  // namespace

const char* const kDropRefusedMessage =
    "ビットマップ (.bmp .dib) か JPEG (.jpg .jpeg .jpe .jfif) のファイルを選んでください";

void CTarnelDlg::ChooseFile(const FileDialogRequest& request, CString& rsChosen, CString& rsDerived,
                            LPCTSTR lpszDerivedExt, int nDisable) {
    OnReset();
    const CBusyScope busy(*this);
    CString sPath;
    if (m_window.RunFileDialog(request, sPath) != IDOK)
        return;
    TakeFile(sPath, rsChosen, rsDerived, lpszDerivedExt, nDisable);
}

void CTarnelDlg::OnDropFiles(const std::vector<CString>& paths) {
    const CString* pBitmap = nullptr;
    const CString* pJpeg = nullptr;
    for (const CString& sPath : paths) {
        if (pBitmap == nullptr && HasExtension(sPath, kBitmapExtensions))
            pBitmap = &sPath;
        else if (pJpeg == nullptr && HasExtension(sPath, kJpegExtensions))
            pJpeg = &sPath;
    }
    if (pBitmap == nullptr && pJpeg == nullptr) {
        m_window.MessageBox(kDropRefusedMessage, MB_OK | MB_ICONEXCLAMATION, 0);
        return;
    }
    OnReset();
    if (pBitmap != nullptr && pJpeg != nullptr) {
        // One of each kind: both paths as they are, either direction to convert.
        TakeFile(*pBitmap, m_sBitmapFile, m_sJpegFile, ".jpg", 0);
        m_sJpegFile = *pJpeg;
        UpdateData(FALSE);
    } else if (pBitmap != nullptr) {
        TakeFile(*pBitmap, m_sBitmapFile, m_sJpegFile, ".jpg", IDC_UNCOMPRESS);
    } else {
        TakeFile(*pJpeg, m_sJpegFile, m_sBitmapFile, ".bmp", IDC_COMPRESS);
    }
}

void CTarnelDlg::OpenFile(const CString& sPath) { OnDropFiles({sPath}); }

void CTarnelDlg::TakeFile(const CString& sPath, CString& rsChosen, CString& rsDerived,
                          LPCTSTR lpszDerivedExt, int nDisable) {
    rsChosen = sPath;
    CString sSize;
    CString sReadOut;
    if (GetFileSizeText(rsChosen, sSize) >= 0)
        sReadOut.Format("%s bytes", static_cast<LPCTSTR>(sSize));
    else
        sReadOut = sSize;
    m_window.SetItemText(IDC_FILE_SIZE, sReadOut);
    CutAtLast(rsChosen, '.', rsDerived);
    rsDerived += lpszDerivedExt;
    if (nDisable != 0)
        m_window.EnableItem(nDisable, FALSE);
    UpdateData(FALSE);
}

long long CTarnelDlg::GetFileSizeText(LPCTSTR lpszPath, CString& rsText) {
    CFile file;
    long long nSize = -1;
    if (file.Open(lpszPath, CFile::modeRead | CFile::shareDenyNone)) {
        try {
            nSize = static_cast<long long>(file.GetLength());
        } catch (CFileException* e) {
            e->Delete();
        }
    }
    if (nSize < 0) {
        rsText = "(サイズ不明)";
        return -1;
    }
    // Whole kilobytes, then the remainder in bytes without its last digit: 2560 bytes
    // read "2.51k", 2048 read "2.k".
    CString sRemainder;
    sRemainder.Format(".%lld", nSize % 1024);
    rsText.Format("%lld%sk", nSize / 1024,
                  static_cast<LPCTSTR>(sRemainder.Left(sRemainder.GetLength() - 1)));
    return nSize;
}

void CTarnelDlg::CutAtLast(LPCTSTR lpszPath, char ch, CString& rsResult) {
    // Only the file name counts: a dot in a folder name ("C:\\my.dir\\photo") is no extension.
    const std::string sPath(lpszPath);
    const std::size_t nNameStart = sPath.find_last_of("\\/:") + 1;  // 0 when there is none
    const std::size_t nLast = sPath.rfind(ch);
    const bool bInName = nLast != std::string::npos && nLast >= nNameStart;
    rsResult = CString(bInName ? sPath.substr(0, nLast) : sPath);
}
