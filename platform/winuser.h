// The user-interface constants the dialogs' logic is written with: message box types and
// answers, file dialog flags, show commands, with the values Windows gives them. The Windows
// halves take them from Windows' own headers instead and do not include this one.
#pragma once

#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

#define MB_OK 0x00000000U
#define MB_YESNO 0x00000004U
#define MB_ICONHAND 0x00000010U
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONQUESTION 0x00000020U
#define MB_ICONEXCLAMATION 0x00000030U

#define OFN_HIDEREADONLY 0x00000004U

#define SW_SHOW 5
