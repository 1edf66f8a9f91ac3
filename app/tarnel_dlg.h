// CTarnelDlg: the conversion dialog's members and handlers, apart from any window system. It
// reaches its window only through CTarnelDlgWindow.
#pragma once

#include <memory>
#include <vector>

#include "app/dialog_window.h"
#include "platform/cstring.h"
#include "platform/object.h"

class CConversion;
class COXJPEGEncoder;
class COXJPEGDecoder;
class COXImageFile;
class COXJPEGImageFile;

class CTarnelDlg : public CObject {
    DECLARE_DYNAMIC(CTarnelDlg)

public:
    explicit CTarnelDlg(CTarnelDlgWindow& window);
    ~CTarnelDlg() override;

    // TRUE: take the controls' values in, stopping at the first unsigned field that is not an
    // unsigned decimal number (after telling the user); FALSE: show the members in the controls.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Commands and buttons.
    void OnReset();
    void OnCompress();
    void OnUnCompress();
    void OnSelectBitmap();
    void OnSelectJpeg();
    // Files dropped on the dialog: the first bitmap (.bmp, .dib) is taken as choosing it in the
    // file dialog takes it, or the first JPEG (.jpg, .jpeg, .jpe, .jfif) as the JPEG choice
    // does; one of each sets both paths. Anything else is refused with a message.
    void OnDropFiles(const std::vector<CString>& paths);
    // A file named on the command line ("Open with", "Send to"): as a drop of that one file.
    void OpenFile(const CString& sPath);
    void OnVersionInfo();
    // Enter with no push button focused: TRUE when the values were taken in and the dialog may end.
    BOOL OnOK();

    // Whether a run, its questions or a file choice is under way. A call from another program
    // that arrives meanwhile (the dialog's boxes keep the messages flowing) must not change what
    // the user is being asked about: the automation object answers it with "retry later".
    BOOL IsBusy() const { return m_nBusy > 0; }

    static BOOL FileExists(LPCTSTR lpszPath);
    // The size read-out of a file ("2.51k" for 2560 bytes); the size in bytes, or -1 with a
    // text saying so when the file cannot be read.
    static long long GetFileSizeText(LPCTSTR lpszPath, CString& rsText);
    // rsResult <- lpszPath cut before the last ch of its file name; the whole path when the
    // file name has none.
    static void CutAtLast(LPCTSTR lpszPath, char ch, CString& rsResult);

    CString m_sBitmapFile;
    CString m_sJpegFile;
    BOOL m_bEncGrayscale;
    BOOL m_bEncBaseline;
    BOOL m_bEncProgressive;
    BOOL m_bEncOptimize;
    UINT m_nEncQuality;
    int m_nEncSmooth;
    int m_nEncDCTIndex;  // zero-based choice, -1 for none
    UINT m_nDecColors;
    BOOL m_bDecOnePass;
    BOOL m_bDecGrayscale;
    BOOL m_bDecFast;
    BOOL m_bDecNoSmooth;
    BOOL m_bDecOS2Format;
    int m_nDecDitherIndex;  // zero-based choice, -1 for none
    int m_nDecDCTIndex;
    int m_nEncMaxMemory;
    int m_nDecMaxMemory;

protected:
    // The coders a conversion runs, made once its two file objects exist; a seam for tests that
    // watch what the dialog builds and hands over.
    virtual std::unique_ptr<COXJPEGEncoder> CreateEncoder(const COXImageFile& bitmap,
                                                          const COXJPEGImageFile& jpeg);
    virtual std::unique_ptr<COXJPEGDecoder> CreateDecoder(const COXImageFile& bitmap,
                                                          const COXJPEGImageFile& jpeg);

private:
    // The checks before a run: values taken in, the source there, the destination may go. The
    // run takes rsBitmap and rsJpeg, the paths as the question named them.
    BOOL ReadyToConvert(BOOL bToJpeg, CString& rsBitmap, CString& rsJpeg);
    // Times the run, reports its outcome and the time it took and enables nEnableAfter.
    void RunTimed(CConversion& conversion, int nEnableAfter);
    // Stores a confirmed file choice and derives the other path from it.
    void ChooseFile(const FileDialogRequest& request, CString& rsChosen, CString& rsDerived,
                    LPCTSTR lpszDerivedExt, int nDisable);
    // Stores a chosen path, shows its size, derives the other path and disables nDisable (0:
    // none).
    void TakeFile(const CString& sPath, CString& rsChosen, CString& rsDerived,
                  LPCTSTR lpszDerivedExt, int nDisable);

    BOOL TakeUnsigned(int nID, UINT& rnValue);

    // Marks the dialog busy for as long as it exists.
    class CBusyScope {
    public:
        explicit CBusyScope(CTarnelDlg& dlg) : m_nBusy(dlg.m_nBusy) { ++m_nBusy; }
        ~CBusyScope() { --m_nBusy; }
        CBusyScope(const CBusyScope&) = delete;
        CBusyScope& operator=(const CBusyScope&) = delete;

    private:
        int& m_nBusy;
    };

    CTarnelDlgWindow& m_window;
    int m_nBusy = 0;
};

// The framework's message for a field that must hold an unsigned number.
extern const char* const kParseUnsignedMessage;
// What a drop of files the dialog does not take is told.
extern const char* const kDropRefusedMessage;
