#include "error_exit.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "appended_block.h"
#include "empty_directory.h"
#include "launch_state.h"
#include "native_log.h"
#include "splash_screen.h"
#include "temp_base.h"

namespace {

std::wstring longFormOf(const wchar_t* path) {
    std::vector<wchar_t> buffer(kTextUnits);
    DWORD n = GetLongPathNameW(path, buffer.data(), (DWORD)buffer.size());
    return n > 0 && n < buffer.size() ? std::wstring(buffer.data(), n) : std::wstring(path);
}

void writeToConsoleOrStderr(const std::wstring& text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE || GetFileType(out) != FILE_TYPE_CHAR) {
        int bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
        std::string ansi(bytes > 0 ? (size_t)bytes : 0, '\0');
        if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, text.data(), (int)text.size(), ansi.data(), bytes, nullptr, nullptr);
        fwrite(ansi.data(), 1, ansi.size(), stderr);
        fputc('\n', stderr);
        fflush(stderr);
        return;
    }
    DWORD written = 0;
    if (!WriteConsoleW(out, text.data(), (DWORD)text.size(), &written, nullptr)) {
        int bytes = WideCharToMultiByte(GetConsoleOutputCP(), 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
        std::string encoded(bytes > 0 ? (size_t)bytes : 0, '\0');
        if (bytes > 0) WideCharToMultiByte(GetConsoleOutputCP(), 0, text.data(), (int)text.size(), encoded.data(), bytes, nullptr, nullptr);
        WriteFile(out, encoded.data(), (DWORD)encoded.size(), &written, nullptr);
    }
    FlushFileBuffers(out);
}

// The message text with its first "{0}" replaced by the parameter.
std::wstring messageWithParameter(int32_t id, const wchar_t* parameter) {
    std::vector<wchar_t> buffer(kTextUnits);
    getMessageText(id, buffer.data(), buffer.size());
    std::wstring text(buffer.data());
    if (parameter) {
        size_t at = text.find(L"{0}");
        if (at != std::wstring::npos) text.replace(at, 3, parameter);
    }
    return text;
}

std::wstring widenParameter(const char* parameter) {
    std::wstring wide;
    for (size_t i = 0; parameter[i] && i < kTextUnits - 1; ++i) wide += (wchar_t)(unsigned char)parameter[i];
    return wide;
}

}  // namespace

void showError(const wchar_t* text) {
    closeSplashScreen();
    std::wstring shown = text;
    if (const wchar_t* log = NativeLog::path()) shown += L"\n\nLog: " + longFormOf(log);
    if (launchState().messageBoxesOn) {
        std::vector<wchar_t> caption(kTextUnits);
        getMessageText(1000, caption.data(), caption.size());
        MessageBoxW(launchState().ownerWindow, shown.c_str(), caption.data(), MB_ICONERROR | MB_OK);
    } else {
        writeToConsoleOrStderr(shown);
    }
}

void showErrorMessage(int32_t id, const wchar_t* parameter) {
    showError(messageWithParameter(id, parameter).c_str());
}

void showErrorMessageA(int32_t id, const char* parameter) {
    if (!parameter) return showErrorMessage(id, nullptr);
    showErrorMessage(id, widenParameter(parameter).c_str());
}

void exitLauncher(int code) {
    const std::string& tempDir = launcherTempDir();
    if (!launchState().languageRestart && !tempDir.empty()) {
        // A directory that is the current one cannot be removed: step out of it first.
        size_t parentEnd = tempDir.find_last_of('\\');
        if (parentEnd != std::string::npos) SetCurrentDirectoryA(tempDir.substr(0, parentEnd + 1).c_str());
        emptyDirectory(tempDir.c_str(), true);
        RemoveDirectoryA(tempDir.c_str());
    }
    fflush(nullptr);
    // Ends at once: the C runtime's exit handlers (the log removal among them) do not run.
    TerminateProcess(GetCurrentProcess(), (UINT)code);
    ExitProcess((UINT)code);
}

void fatalText(const wchar_t* text) {
    showError(text);
    exitLauncher(1);
}

void fatalMessage(int32_t id) {
    std::vector<wchar_t> buffer(kTextUnits);
    getMessage(id, buffer.data(), buffer.size());
    showError(buffer.data());
    exitLauncher(1);
}

void fatalMessageWithText(int32_t id, const wchar_t* parameter) {
    showErrorMessage(id, parameter);
    exitLauncher(1);
}

void fatalMessageWithTextA(int32_t id, const char* parameter) {
    showErrorMessageA(id, parameter);
    exitLauncher(1);
}

void writeConsoleText(const char* text) {
    if (launchState().consoleAttached) {
        HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        DWORD written = 0;
        WriteFile(out, text, (DWORD)strlen(text), &written, nullptr);
        FlushFileBuffers(out);
        return;
    }
    printf("%s", text);
    fflush(stdout);
}
