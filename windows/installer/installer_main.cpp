// Entry of the installer launcher: special first arguments, switches, and the three ways to start.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "appended_block.h"
#include "command_line.h"
#include "delayed_deletion.h"
#include "error_exit.h"
#include "launch_state.h"
#include "native_log.h"
#include "prepare_launch.h"
#include "preparation_dialog.h"
#include "process_environment.h"
#include "single_instance.h"
#include "startup_work.h"

namespace {

bool startsWith(const char* text, const char* prefix) { return strncmp(text, prefix, strlen(prefix)) == 0; }

int rebootMachine() {
    Sleep(5000);
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return 0;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        if (GetLastError() == ERROR_SUCCESS) ExitWindowsEx(EWX_REBOOT, 0);
    }
    CloseHandle(token);
    return 0;
}

void initCommonControls() {
    HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
    if (!comctl) comctl = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!comctl) return;
    using InitFn = void(WINAPI*)();
    if (auto init = (InitFn)(void*)GetProcAddress(comctl, "InitCommonControls")) init();
}

// Switches are whole, case-sensitive arguments; everything else is left for the Java program.
void applySwitches(const ArgumentList& arguments) {
    LaunchState& state = launchState();
    bool consoleFromSwitch = false;
    for (const std::wstring& argument : arguments) {
        if (argument == L"-q") {
            state.quiet = true;
            state.messageBoxesOn = false;
        } else if (argument == L"-console") {
            consoleFromSwitch = attachConsole();
        } else if (argument == L"-splash") {
            state.splashRequested = true;
        } else if (argument == L"-nocheck") {
            state.integrityCheckOn = false;
        } else if (argument == L"-c") {
            state.quiet = true;
            state.messageBoxesOn = false;
            if (!consoleFromSwitch && !attachConsole()) {
                MessageBoxW(nullptr, L"Error: Could not allocate console.", L"tarvelink", MB_OK);
                exitLauncher(1);
            }
        } else if (argument == L"-manual" || argument == L"/manual") {
            state.manualRuntime = true;
        }
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR argumentText, int) {
    LaunchState& state = launchState();
    state.installerLauncher = true;
    const char* text = argumentText ? argumentText : "";
    if (startsWith(text, "__tvk_windel")) state.delayedDeletion = true;
    restrictDllDirectories();
    preloadSystemDlls();
    if (text[0] != 0 && strcmp(text, "__tvk_reboot") == 0) return rebootMachine();
    if (startsWith(text, "__tvk_msi")) {
        state.wrapperWindow = (HWND)(uintptr_t)strtoul(text + strlen("__tvk_msi"), nullptr, 10);
        NativeLog::log(L"msi wrapper %p", state.wrapperWindow);
        state.wrapperMode = true;
        state.outsideWrapper = true;
    }
    if (startsWith(text, "__tvk_lang_restart")) {
        NativeLog::log(L"language restart");
        state.languageRestart = true;
        state.quiet = true;
    }
    if (startsWith(text, "__tvk_extract_and_exit")) {
        NativeLog::log(L"extract and exit mode");
        state.extractAndExit = true;
    }
    initCommonControls();

    ArgumentList arguments;
    splitCommandLine(GetCommandLineW(), arguments);
    if (state.delayedDeletion && arguments.size() >= 3) return runDelayedDeletion(arguments[2].c_str());

    prepareLaunch(instance, arguments, true);
    state.integrityCheckOn = true;
    applySwitches(arguments);
    if (!state.languageRestart) guardSingleInstance(false);

    state.instance = instance;
    if (getConfigInt(155) != 0) state.wrapperMode = true;
    NativeLog::log(L"Init done");

    if (state.quiet && !state.splashRequested) {
        NativeLog::log(L"Quiet installer.");
        runStartupWork(nullptr);
    } else if (state.wrapperMode) {
        registerDialogClass(instance);
        runStartupWork(state.outsideWrapper ? state.wrapperWindow : nullptr);
    } else {
        registerDialogClass(instance);
        showPreparationDialog(instance);
    }
    return 0;
}
