// CTollexApp: start-up of the wizard (controls, GDI+, profile, language, single instance),
// the modal main dialog, and the release of it all at exit.
#pragma once

#include "framework/win_app.h"

class CTollexApp : public CWinAppEx {
public:
    CTollexApp();
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    ULONG_PTR m_nGdiplusToken = 0;  // the GDI+ session, from start-up to exit
};

// The window of a wizard already running (a dialog titled with text 128), or null.
HWND FindRunningWizard();
