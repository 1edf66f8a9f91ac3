// CTarnelDlg: data exchange, reset and the two conversions.
#include "app/tarnel_dlg.h"

#include "app/resource.h"
#include "codec/conversion.h"
#include "platform/file.h"
#include "platform/winuser.h"

IMPLEMENT_DYNAMIC(CTarnelDlg, CObject)

const char* const kParseUnsignedMessage = "正の整数を入力してください。";

namespace {

// The wait cursor of a run: ended by the run's end, or by an exception that leaves it, so the
// count of waits never stays up.
class CWaitCursorScope {
public:
    explicit CWaitCursorScope(CTarnelDlgWindow& window) : m_window(window) {
        m_window.BeginWaitCursor();
    }
    ~CWaitCursorScope() { End(); }
    CWaitCursorScope(const CWaitCursorScope&) = delete;
    CWaitCursorScope& operator=(const CWaitCursorScope&) = delete;

    void End() {
        if (m_bWaiting)
            m_window.EndWaitCursor();
        m_bWaiting = false;
    }

private:
    CTarnelDlgWindow& m_window;
    bool m_bWaiting = true;
};

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

std::unique_ptr<COXJPEGEncoder> CTarnelDlg::CreateEncoder(const COXImageFile& /*bitmap*/,
                                                          const COXJPEGImageFile& /*jpeg*/) {
    return std::make_unique<COXJPEGEncoder>();
}

std::unique_ptr<COXJPEGDecoder> CTarnelDlg::CreateDecoder(const COXImageFile& /*bitmap*/,
                                                          const COXJPEGImageFile& /*jpeg*/) {
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

BOOL CTarnelDlg::ReadyToConvert(BOOL bToJpeg, CString& rsBitmap, CString& rsJpeg) {
    if (!UpdateData(TRUE))
        return FALSE;
    // The paths as just taken in; the members may change while a box is open.
    rsBitmap = m_sBitmapFile;
    rsJpeg = m_sJpegFile;
    const CString& sSource = bToJpeg ? rsBitmap : rsJpeg;
    const CString& sDestination = bToJpeg ? rsJpeg : rsBitmap;
    const CString sProblem = SourceProblem(sSource);
    if (!sProblem.IsEmpty()) {
        m_window.MessageBox(sProblem, MB_OK | MB_ICONSTOP, 0);
        return FALSE;
    }
    if (FileExists(sDestination) &&
        m_window.MessageBox(OverwriteQuestion(sDestination), MB_YESNO | MB_ICONQUESTION, 0) == IDNO)
        return FALSE;
    return TRUE;
}

void CTarnelDlg::RunTimed(CConversion& conversion, int nEnableAfter) {
    const DWORD nStart = m_window.GetTickCount();
    const ConversionOutcome outcome = conversion.Run();
    if (!outcome.sMessage.IsEmpty())
        m_window.MessageBox(outcome.sMessage, MB_OK, 0);
    // Taken after the message was dismissed; an unsigned 32-bit difference is right across a
    // wrap of the tick counter.
    const DWORD nElapsed = m_window.GetTickCount() - nStart;
    CString sTime;
    sTime.Format("%f", nElapsed / 1000.0);
    m_window.SetItemText(IDC_TIME, sTime);
    m_window.EnableItem(nEnableAfter, TRUE);
}

void CTarnelDlg::OnCompress() {
    if (IsBusy())
        return;  // a click while a script's run asks its question
    const CBusyScope busy(*this);
    CString sBitmap, sJpeg;
    if (!ReadyToConvert(TRUE, sBitmap, sJpeg))
        return;
    CWaitCursorScope wait(m_window);
    EncoderOptions options;
    options.bGrayscale = m_bEncGrayscale;
    options.bBaseline = m_bEncBaseline;
    options.bProgressive = m_bEncProgressive;
    options.bOptimize = m_bEncOptimize;
    options.nQuality = static_cast<int>(m_nEncQuality);
    options.nSmooth = m_nEncSmooth;
    options.nMaxMemory = m_nEncMaxMemory;
    options.nDCTMethod = m_nEncDCTIndex + 1;  // no choice (-1) keeps libjpeg's method
    CConversion conversion(sBitmap, sJpeg, options,
                           [this](const COXImageFile& bitmap, const COXJPEGImageFile& jpeg) {
                               return CreateEncoder(bitmap, jpeg);
                           });
    RunTimed(conversion, IDC_UNCOMPRESS);
    wait.End();
    // The coder and the file objects go here, after the wait cursor.
}

void CTarnelDlg::OnUnCompress() {
    if (IsBusy())
        return;
    const CBusyScope busy(*this);
    CString sBitmap, sJpeg;
    if (!ReadyToConvert(FALSE, sBitmap, sJpeg))
        return;
    CWaitCursorScope wait(m_window);
    DecoderOptions options;
    options.bOS2Format = m_bDecOS2Format;
    options.bGrayscale = m_bDecGrayscale;
    options.bFast = m_bDecFast;
    options.bNoSmooth = m_bDecNoSmooth;
    options.bOnePass = m_bDecOnePass;
    options.nMaxMemory = m_nDecMaxMemory;
    options.nDCTMethod = m_nDecDCTIndex + 1;
    options.nDitherMethod = m_nDecDitherIndex + 1;
    options.nScale = SCALE_1_1;
    options.nColors = static_cast<int>(m_nDecColors);
    CConversion conversion(sBitmap, sJpeg, options,
                           [this](const COXImageFile& bitmap, const COXJPEGImageFile& jpeg) {
                               return CreateDecoder(bitmap, jpeg);
                           });
    RunTimed(conversion, IDC_COMPRESS);
    wait.End();
}
