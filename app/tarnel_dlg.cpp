// CTarnelDlg: data exchange, reset and the two conversions.
#include "app/tarnel_dlg.h"

#include "app/resource.h"
#include "codec/jpeg_decoder.h"
#include "codec/jpeg_encoder.h"
#include "codec/jpeg_image_file.h"
#include "imagefile/bitmap_file.h"
#include "platform/file.h"
#include "platform/winuser.h"

IMPLEMENT_DYNAMIC(CTarnelDlg, CObject)

const char* const kParseUnsignedMessage = "正の整数を入力してください。";

namespace {

// An unsigned decimal number, spaces around it allowed, that fits 32 bits.
bool ParseUnsigned(const CString& sText, UINT& rnValue) {
    CString s = sText;
    s.TrimLeft();
    s.TrimRight();
    if (s.IsEmpty())
        return false;
    unsigned long long n = 0;
    for (int i = 0; i < s.GetLength(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        n = n * 10 + static_cast<unsigned>(s[i] - '0');
        if (n > 0xFFFFFFFFULL)
            return false;
    }
    rnValue = static_cast<UINT>(n);
    return true;
}

CString UnsignedText(UINT n) {
    CString s;
    s.Format("%u", n);
    return s;
}

}  // namespace

CTarnelDlg::CTarnelDlg(CTarnelDlgWindow& window)
    : m_sBitmapFile("***.bmp"),
      m_sJpegFile("***.jpg"),
      m_bEncGrayscale(FALSE),
      m_bEncBaseline(FALSE),
      m_bEncProgressive(FALSE),
      m_bEncOptimize(FALSE),
      m_nEncQuality(75),
      m_nEncSmooth(0),
      m_nEncDCTIndex(-1),
      m_nDecColors(0),
      m_bDecOnePass(FALSE),
      m_bDecGrayscale(FALSE),
      m_bDecFast(FALSE),
      m_bDecNoSmooth(FALSE),
      m_bDecOS2Format(FALSE),
      m_nDecDitherIndex(-1),
      m_nDecDCTIndex(-1),
      m_nEncMaxMemory(0),
      m_nDecMaxMemory(0),
      m_window(window) {}

CTarnelDlg::~CTarnelDlg() = default;

std::unique_ptr<COXJPEGEncoder> CTarnelDlg::CreateEncoder() {
    return std::make_unique<COXJPEGEncoder>();
}

std::unique_ptr<COXJPEGDecoder> CTarnelDlg::CreateDecoder() {
    return std::make_unique<COXJPEGDecoder>();
}

BOOL CTarnelDlg::TakeUnsigned(int nID, UINT& rnValue) {
    if (ParseUnsigned(m_window.GetItemText(nID), rnValue))
        return TRUE;
    m_window.MessageBox(kParseUnsignedMessage, MB_OK | MB_ICONEXCLAMATION, 0);
    m_window.SetFocusItem(nID);
    return FALSE;
}

BOOL CTarnelDlg::UpdateData(BOOL bSaveAndValidate) {
    if (bSaveAndValidate) {
        // In binding order; members taken before a failing field keep their new values.
        m_sBitmapFile = m_window.GetItemText(IDC_BITMAP_FILE);
        m_sJpegFile = m_window.GetItemText(IDC_JPEG_FILE);
        m_bEncGrayscale = m_window.GetCheck(IDC_ENC_GRAYSCALE);
        m_bEncProgressive = m_window.GetCheck(IDC_PROGRESSIVE);
        if (!TakeUnsigned(IDC_QUALITY, m_nEncQuality) || !TakeUnsigned(IDC_COLORS, m_nDecColors))
            return FALSE;
        m_bDecGrayscale = m_window.GetCheck(IDC_DEC_GRAYSCALE);
        m_bDecOS2Format = m_window.GetCheck(IDC_OS2_FORMAT);
        return TRUE;
    }
    m_window.SetItemText(IDC_BITMAP_FILE, m_sBitmapFile);
    m_window.SetItemText(IDC_JPEG_FILE, m_sJpegFile);
    m_window.SetCheck(IDC_ENC_GRAYSCALE, m_bEncGrayscale ? 1 : 0);
    m_window.SetCheck(IDC_PROGRESSIVE, m_bEncProgressive ? 1 : 0);
    m_window.SetItemText(IDC_QUALITY, UnsignedText(m_nEncQuality));
    m_window.SetItemText(IDC_COLORS, UnsignedText(m_nDecColors));
    m_window.SetCheck(IDC_DEC_GRAYSCALE, m_bDecGrayscale ? 1 : 0);
    m_window.SetCheck(IDC_OS2_FORMAT, m_bDecOS2Format ? 1 : 0);
    return TRUE;
}

BOOL CTarnelDlg::OnOK() { return UpdateData(TRUE); }

void CTarnelDlg::OnReset() {
    m_window.EnableItem(IDC_COMPRESS, TRUE);
    m_window.EnableItem(IDC_UNCOMPRESS, TRUE);
    m_window.SetItemText(IDC_BITMAP_FILE, "***.bmp");
    m_window.SetItemText(IDC_JPEG_FILE, "***.jpg");
}

void CTarnelDlg::OnVersionInfo() { m_window.RunVersionInfo(); }

BOOL CTarnelDlg::FileExists(LPCTSTR lpszPath) { return CanOpenForReading(lpszPath); }

BOOL CTarnelDlg::ReadyToConvert(BOOL bToJpeg) {
    if (!UpdateData(TRUE))
        return FALSE;
    // The paths as just taken in.
    const CString& sSource = bToJpeg ? m_sBitmapFile : m_sJpegFile;
    const CString& sDestination = bToJpeg ? m_sJpegFile : m_sBitmapFile;
    CString sMessage;
    if (!FileExists(sSource)) {
        sMessage.Format("エラー： %s が存在しません", static_cast<LPCTSTR>(sSource));
        m_window.MessageBox(sMessage, MB_OK | MB_ICONSTOP, 0);
        return FALSE;
    }
    if (FileExists(sDestination)) {
        sMessage.Format("すでに %s は存在します 上書きしますか？", static_cast<LPCTSTR>(sDestination));
        if (m_window.MessageBox(sMessage, MB_YESNO | MB_ICONQUESTION, 0) == IDNO)
            return FALSE;
    }
    return TRUE;
}

template <typename Run>
void CTarnelDlg::Convert(Run run, int nEnableAfter) {
    m_window.BeginWaitCursor();
    const DWORD nStart = m_window.GetTickCount();
    try {
        CString sWarnings;
        if (run(sWarnings) == JPEG_WARNING)
            m_window.MessageBox("エラー：" + sWarnings, MB_OK, 0);
    } catch (COXJPEGException* e) {
        char szMessage[256];
        e->GetErrorMessage(szMessage, sizeof szMessage);
        e->Delete();
        m_window.MessageBox(CString("例外 : ") + szMessage, MB_OK, 0);
    }
    // Unsigned 32-bit difference: right across a wrap of the tick counter.
    const DWORD nElapsed = m_window.GetTickCount() - nStart;
    CString sTime;
    sTime.Format("%f", nElapsed / 1000.0);
    m_window.SetItemText(IDC_TIME, sTime);
    m_window.EnableItem(nEnableAfter, TRUE);
    m_window.EndWaitCursor();
}

void CTarnelDlg::OnCompress() {
    if (!ReadyToConvert(TRUE))
        return;
    Convert(
        [this](CString& rsWarnings) {
            COXBitmapFile bitmap(m_sBitmapFile);
            COXJPEGImageFile jpeg(m_sJpegFile);
            std::unique_ptr<COXJPEGEncoder> pEncoder = CreateEncoder();
            pEncoder->SetGrayscale(m_bEncGrayscale);
            pEncoder->SetBaseline(m_bEncBaseline);
            pEncoder->SetProgressive(m_bEncProgressive);
            pEncoder->SetOptimize(m_bEncOptimize);
            pEncoder->SetQuality(static_cast<int>(m_nEncQuality));
            if (m_nEncSmooth != 0)
                pEncoder->SetSmooth(m_nEncSmooth);
            pEncoder->SetMaxMemory(m_nEncMaxMemory);
            if (m_nEncDCTIndex != -1)
                pEncoder->SetDCTMethod(m_nEncDCTIndex + 1);
            const short nResult = pEncoder->DoCompress(&bitmap, &jpeg);
            rsWarnings = pEncoder->GetWarningMessages();
            return nResult;
        },
        IDC_UNCOMPRESS);
}

void CTarnelDlg::OnUnCompress() {
    if (!ReadyToConvert(FALSE))
        return;
    Convert(
        [this](CString& rsWarnings) {
            COXBitmapFile bitmap(m_sBitmapFile);
            bitmap.SetOS2Format(m_bDecOS2Format);
            COXJPEGImageFile jpeg(m_sJpegFile);
            std::unique_ptr<COXJPEGDecoder> pDecoder = CreateDecoder();
            pDecoder->SetGrayscale(m_bDecGrayscale);
            pDecoder->SetFast(m_bDecFast);
            pDecoder->SetNoSmooth(m_bDecNoSmooth);
            pDecoder->SetOnePass(m_bDecOnePass);
            pDecoder->SetMaxMemory(m_nDecMaxMemory);
            if (m_nDecDCTIndex != -1)
                pDecoder->SetDCTMethod(m_nDecDCTIndex + 1);
            if (m_nDecDitherIndex != -1)
                pDecoder->SetDitherMethod(m_nDecDitherIndex + 1);
            pDecoder->SetScale(SCALE_1_1);
            if (m_nDecColors != 0)
                pDecoder->SetColors(static_cast<int>(m_nDecColors));
            const short nResult = pDecoder->DoDecompress(&jpeg, &bitmap);
            rsWarnings = pDecoder->GetWarningMessages();
            return nResult;
        },
        IDC_COMPRESS);
}
