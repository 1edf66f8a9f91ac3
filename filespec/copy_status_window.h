// CopyStatusWindow: what a tree copy shows its steps in and asks whether the user wants to stop.
#pragma once

#include "platform/types.h"

class CopyStatusWindow {
public:
    // What a step does.
    enum Step { stepCopy = 1, stepRemove = 2 };

    virtual ~CopyStatusWindow() = default;

    // Creates the window; FALSE when it could not be.
    virtual BOOL OpenStatus() = 0;
    virtual BOOL IsStopRequested() = 0;
    // A file copied from pszFirst to pszSecond, or pszFirst removed (pszSecond empty).
    virtual void ShowStep(int nStep, LPCTSTR pszFirst, LPCTSTR pszSecond) = 0;
    virtual void SetStatusTitle(LPCTSTR pszTitle) = 0;
    virtual void CloseStatus() = 0;
};
