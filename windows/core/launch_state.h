// Process-wide launch state: set once by the entry and the preparation step, read everywhere.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Buffer size, in bytes or UTF-16 units, that most texts and paths of the launcher are cut to.
constexpr size_t kTextUnits = 6000;

// The arguments of a command line; element 0 is the program as typed.
using ArgumentList = std::vector<std::wstring>;

struct LaunchState {
    bool installerLauncher = false;  // mediastub (true) or the uninstaller (false)
    bool delayedDeletion = false;
    bool wrapperMode = false;
    bool outsideWrapper = false;
    HWND wrapperWindow = nullptr;
    bool languageRestart = false;
    bool extractAndExit = false;
    bool quiet = false;
    bool messageBoxesOn = true;
    bool consoleAttached = false;
    bool splashRequested = false;
    bool integrityCheckOn = false;
    bool manualRuntime = false;
    bool logRequested = false;
    std::wstring productTitle = L"tarvelink";
    HINSTANCE instance = nullptr;
    HWND ownerWindow = nullptr;  // owns error message boxes once the preparation dialog is open
};

LaunchState& launchState();
