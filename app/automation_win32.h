// The automation server "Tarnel.Application": its identifiers, class factory, registration and
// the application lock that keeps an automation-started program alive. Windows only.
#pragma once

#include "platform/types.h"
#include "platform/win32.h"

#include <objbase.h>

// Chosen once; clients depend on them, so they never change.
// {9DFC3A6D-BA2C-43DF-82B0-F0D911104E3F}: the class "Tarnel.Application".
extern const CLSID CLSID_TarnelApplication;
// {97049593-1A00-482A-B421-CBC279A931CB}: the dispatch interface ITarnel.
extern const IID IID_ITarnel;

// Live automation objects keep the application up; when the last goes and the program was
// started for automation, its main window is closed.
void AfxOleLockApp();
void AfxOleUnlockApp();
void AfxOleSetUserCtrl(BOOL bUserCtrl);

// Registers the class factory as running: each object a client creates then gets a program of
// its own. Revoke before the program ends.
BOOL RegisterTarnelClassFactory();
void RevokeTarnelClassFactory();

// Writes the class's registry entries: the ProgID, the class id with this executable as its
// local server (started with /Automation), and the dispatch interface. Where the machine's
// classes already name this program (an installed one started by a standard user), nothing is
// written for the user, and a user's registration that only repeats the machine's is removed;
// otherwise the machine's are written, or the user's own when the machine's refuse.
void UpdateTarnelRegistry();
// What UnregisterTarnel could not remove, as bits of the program's exit code.
enum : int { kMachineRegistrationLeft = 1, kUserRegistrationLeft = 2 };
// Removes those entries from wherever they are, the machine's classes and the user's: 0, or the
// roots where some stayed.
int UnregisterTarnel();
