#include "prepare_launch.h"

#include <windows.h>

#include <vector>

#include "appended_block.h"
#include "command_line.h"
#include "launcher_variables.h"
#include "native_log.h"
#include "paths.h"
#include "process_environment.h"
#include "temp_base.h"

namespace {

bool isLogSwitch(const std::wstring& argument) {
    return argument == L"-create-tvk-log" || argument == L"-create-zta-log" || argument == L"/create-tvk-log" ||
           argument == L"/create-zta-log";
}

// "-temp" may also stand among the fixed arguments of the configuration.
void applyConfiguredTempOption() {
    std::vector<wchar_t> buffer(4000);
    getConfigWideString(124, buffer.data(), buffer.size());
    std::wstring fixed(buffer.data());
    if (fixed.find(L"-temp") == std::wstring::npos && fixed.find(L"/temp") == std::wstring::npos) return;
    expandLauncherVariables(fixed, VariableForm::Plain);
    ArgumentList fixedArguments;
    splitCommandLine(fixed, fixedArguments);
    applyManualTempOption(fixedArguments);
}

void changeWorkingDirectory() {
    std::vector<wchar_t> buffer(kTextUnits);
    getConfigWideString(146, buffer.data(), buffer.size());
    std::wstring dir(buffer.data());
    if (dir.empty()) {
        NativeLog::log(L"working directory unchanged");
        return;
    }
    expandLauncherVariables(dir, VariableForm::VmOptions);
    dir = fullPath(dir, DirectoryForm::Widened, PathCase::Keep);
    SetCurrentDirectoryW(dir.c_str());
    NativeLog::log(L"change working directory to %s", dir.c_str());
}

void offerLogInExplorer() {
    const wchar_t* log = NativeLog::path();
    std::wstring question = formatWide(
        L"The following log file will be created:\n\n%s\n\nDo you want to open an Explorer window?", log ? log : L"");
    if (MessageBoxW(nullptr, question.c_str(), launchState().productTitle.c_str(), MB_YESNO) != IDYES) return;
    std::vector<wchar_t> shortLog(MAX_PATH), windows(kTextUnits);
    if (!log || GetShortPathNameW(log, shortLog.data(), MAX_PATH) >= MAX_PATH) shortLog[0] = 0;
    GetWindowsDirectoryW(windows.data(), (UINT)windows.size());
    std::wstring command = formatWide(L"%s\\explorer.exe /select,%s", windows.data(), shortLog.data());
    NativeLog::log(L"calling %s", command.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process)) {
        NativeLog::log(L"could not open explorer window %d", (int)GetLastError());
        return;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace

void prepareLaunch(HINSTANCE instance, ArgumentList& arguments, bool tempDirHandling) {
    LaunchState& state = launchState();
    launcherTempDir().clear();
    if (arguments.size() > 1 && isLogSwitch(arguments[1])) {
        arguments.erase(arguments.begin() + 1);
        state.logRequested = true;
    }
    if (tempDirHandling) applyManualTempOption(arguments);
    loadAppendedDataBlock(&arguments);
    if (tempDirHandling && !manualTempDirAccepted()) applyConfiguredTempOption();

    state.instance = instance;
    state.productTitle = dupConfigString(2001).starts_with("e") ? L"zolta" : L"tarvelink";
    reducePath();
    if (getConfigInt(10012) != 0) {
        NativeLog::log(L"ignoring java options environment variables");
        clearJavaOptionVariables();
    }
    if (!state.languageRestart) changeWorkingDirectory();
    if (state.logRequested) offerLogInExplorer();
}
