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
// local server (started with /Automation), and the dispatch interface; under the user's own
// classes when the machine's refuse them.
void UpdateTarnelRegistry();
// Removes those entries from wherever they are, the machine's classes and the user's.
void UnregisterTarnel();
