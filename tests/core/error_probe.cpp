// A small program that drives the error routines as a launcher would, step by step from its
// command line, so their effect on a real process (output handles, exit code, temporary directory)
// can be checked from outside. It carries a block like a setup file.
#include <windows.h>

#include <string>

#include "error_exit.h"
#include "launch_state.h"
#include "native_log.h"
#include "probe_support.h"
#include "temp_base.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ArgumentList arguments = probeArguments();
    auto next = [&](size_t& i) { return i + 1 < arguments.size() ? arguments[++i] : std::wstring(); };
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring& step = arguments[i];
        if (step == L"quiet") launchState().messageBoxesOn = false;
        else if (step == L"restart") launchState().languageRestart = true;

        else if (step == L"temp") launcherTempDir() = probeBytes(next(i));
        else if (step == L"log") NativeLog::log(L"probe");
        else if (step == L"show") showError(next(i).c_str());
        else if (step == L"message") {
            int id = _wtoi(next(i).c_str());
            std::wstring parameter = next(i);
            showErrorMessage(id, parameter == L"-" ? nullptr : parameter.c_str());
        } else if (step == L"message-ansi") {
            int id = _wtoi(next(i).c_str());
            showErrorMessageA(id, probeBytes(next(i)).c_str());
        } else if (step == L"fatal-text") fatalText(next(i).c_str());
        else if (step == L"fatal-message") fatalMessage(_wtoi(next(i).c_str()));
        else if (step == L"fatal-with") {
            int id = _wtoi(next(i).c_str());
            fatalMessageWithText(id, next(i).c_str());
        } else if (step == L"write") writeConsoleText((probeBytes(next(i)) + "\n").c_str());
        else if (step == L"exit") exitLauncher(_wtoi(next(i).c_str()));
    }
    return 0;
}
