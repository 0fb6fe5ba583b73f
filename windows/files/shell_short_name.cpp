#include "paths.h"

#include <algorithm>
#include <vector>

#include "launch_state.h"
#include "native_log.h"

namespace {

constexpr DWORD kStillActive = 259;

std::wstring windowsDirectory() {
    std::vector<wchar_t> buffer(MAX_PATH);
    UINT n = GetWindowsDirectoryW(buffer.data(), (UINT)buffer.size());
    if (n >= buffer.size()) {
        buffer.resize(n + 1);
        n = GetWindowsDirectoryW(buffer.data(), (UINT)buffer.size());
    }
    return n > 0 && n < buffer.size() ? std::wstring(buffer.data(), n) : std::wstring();
}

}  // namespace

// cmd.exe's "%~sI" gives the short form even where the short-name functions of this process fail.
std::string shortNameViaShell(const std::wstring& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        NativeLog::log(L"CreatePipe error (%d)", (int)GetLastError());
        return {};
    }
    if (!SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0)) {
        NativeLog::log(L"SetHandleInformation error (%d)", (int)GetLastError());
        CloseHandle(readEnd);
        CloseHandle(writeEnd);
        return {};
    }

    std::wstring command =
        windowsDirectory() + formatWide(L"\\system32\\cmd.exe /C for %%I in (\"%s\") do @echo %%~sI", path.c_str());
    NativeLog::log(L"executing %s", command.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                  &startup, &process);
    CloseHandle(writeEnd);  // the pipe ends when the interpreter's copy closes
    if (!started) {
        NativeLog::log(L"could not execute cmd.exe");
        CloseHandle(readEnd);
        return {};
    }
    CloseHandle(process.hThread);

    std::string output;
    char chunk[512];
    DWORD got = 0;
    while (output.size() < kTextUnits) {
        DWORD want = (DWORD)std::min(sizeof chunk, kTextUnits - output.size());
        if (!ReadFile(readEnd, chunk, want, &got, nullptr) || got == 0) break;
        output.append(chunk, got);
    }
    CloseHandle(readEnd);
    NativeLog::log(L"finished reading from cmd.exe %d \"%S\"", (int)output.size(), output.c_str());

    // The pipe can end a moment before the process does.
    WaitForSingleObject(process.hProcess, output.size() < kTextUnits ? 5000 : 0);
    DWORD exitCode = kStillActive;
    GetExitCodeProcess(process.hProcess, &exitCode);
    NativeLog::log(L"Exit Code %d", (int)exitCode);
    if (exitCode == kStillActive) {
        NativeLog::log(L"Terminating process");
        TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hProcess);
        return {};
    }
    CloseHandle(process.hProcess);
    if (exitCode != 0 || output.size() < 6) return {};
    size_t end = output.find_first_of("\r\n");
    if (end == std::string::npos) return {};
    std::string answer = output.substr(0, end);
    NativeLog::log(L"Using %S", answer.c_str());
    return answer;
}
