#include "startup_work.h"

#include <commctrl.h>

#include "integrity_check.h"
#include "launch_state.h"
#include "native_log.h"

// The steps from the integrity check to the Java start are added one by one; for now the work ends
// after the setup file was found intact.
int runStartupWork(HWND progressWindow) {
    NativeLog::log(L"Starting work");
    if (progressWindow) {
        SendDlgItemMessageW(progressWindow, 1001, PBM_SETPOS, 1, 0);
        SendDlgItemMessageW(progressWindow, 1001, PBM_SETRANGE32, 0, 400);
    }
    if (!launchState().languageRestart) verifyIntegrity(progressWindow);
    return 0;
}
