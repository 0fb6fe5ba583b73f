/* A library planted beside the launcher under the name of a system library: when loaded it leaves
   a marker file beside itself ("<its path>.loaded"), so a test sees that it was taken. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH + 16];
        DWORD n = GetModuleFileNameA(instance, path, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            lstrcatA(path, ".loaded");
            HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
            if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
        }
    }
    return TRUE;
}
