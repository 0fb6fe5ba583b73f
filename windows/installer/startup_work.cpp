#include "startup_work.h"

#include <commctrl.h>

#include "native_log.h"

// The steps from the integrity check to the Java start are added one by one; for now the work ends
// after reporting its start.
int runStartupWork(HWND progressWindow) {
    NativeLog::log(L"Starting work");
    if (progressWindow) {
        SendDlgItemMessageW(progressWindow, 1001, PBM_SETRANGE32, 0, 400);
        SendDlgItemMessageW(progressWindow, 1001, PBM_SETPOS, 1, 0);
    }
    return 0;
}
