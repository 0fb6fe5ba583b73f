#include "startup_progress.h"

#include <commctrl.h>

StartupProgress& startupProgress() {
    static StartupProgress progress;
    return progress;
}

namespace {

DWORD WINAPI animateProgress(void* parameter) {
    HWND window = (HWND)parameter;
    StartupProgress& progress = startupProgress();
    for (int position = 200; position < 300 && !progress.animationStop.load();) {
        Sleep(progress.runtimeUnpackMillis.load() / 10);
        position += 10;
        SendDlgItemMessageW(window, 1001, PBM_SETPOS, position, 0);
    }
    return 0;
}

void startAboveNormal(LPTHREAD_START_ROUTINE routine, HWND window) {
    HANDLE thread = CreateThread(nullptr, 0, routine, window, CREATE_SUSPENDED, nullptr);
    if (!thread) return;
    SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL);
    ResumeThread(thread);
    CloseHandle(thread);
}

}  // namespace

void startProgressAnimation(HWND progressWindow) {
    startupProgress().animationStop.store(false);
    startAboveNormal(animateProgress, progressWindow);
}

void stopProgressAnimation() { startupProgress().animationStop.store(true); }

// The watcher needs the count of the process's visible windows, which comes with the window helpers;
// until then the progress window simply stays until the process ends.
void startWatcherThread(HWND progressWindow) { (void)progressWindow; }
