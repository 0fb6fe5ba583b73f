#include "native_log.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <cwchar>

#include "launch_state.h"
#include "paths.h"
#include "temp_base.h"

namespace {

struct LogState {
    CRITICAL_SECTION lock;
    bool lockCreated = false;
    bool initialized = false;
    bool havePath = false;
    std::wstring path;
    HANDLE stream = INVALID_HANDLE_VALUE;
    ULONGLONG startMs = 0;
    bool deleteAtExit = false;
    bool pathHandedOut = false;
};

LogState& logState() {
    static LogState state;
    return state;
}

ULONGLONG systemTimeMs() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER t;
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    return t.QuadPart / 10000;
}

// The file is written as the C runtime's UTF-8 text mode writes it: UTF-8, line feeds as CR LF.
void writeText(HANDLE file, const std::wstring& text) {
    std::wstring crlf;
    crlf.reserve(text.size() + 8);
    for (wchar_t c : text) {
        if (c == L'\n') crlf += L'\r';
        crlf += c;
    }
    int bytes = WideCharToMultiByte(CP_UTF8, 0, crlf.data(), (int)crlf.size(), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return;
    std::string utf8((size_t)bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, crlf.data(), (int)crlf.size(), utf8.data(), bytes, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(file, utf8.data(), (DWORD)utf8.size(), &written, nullptr);
}

HANDLE createLogFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        static const char bom[] = "\xEF\xBB\xBF";
        DWORD written = 0;
        WriteFile(file, bom, 3, &written, nullptr);
    }
    return file;
}

bool environmentSaysYes(const char* name) {
    char value[kTextUnits];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value && strcmp(value, "yes") == 0;
}

void setUp(LogState& s) {
    s.initialized = true;  // before anything that may log itself (the base choice does)
    const bool requested = launchState().logRequested || environmentSaysYes("ZOLTA_LOG") ||
                           environmentSaysYes("TARVELINK_LOG");
    if (!requested) {
        if (!launchState().installerLauncher || launchState().delayedDeletion) return;
        s.deleteAtExit = true;
        atexit(NativeLog::removeAtExit);
    }

    std::wstring dir = getTempBaseW(false);
    if (dir.empty()) dir = L"c:\\";
    else if (dir.back() != L'\\' && dir.back() != L'/') dir += L'\\';

    for (int n = 1; n <= 1000; ++n) {
        s.path = formatWide(L"%stvk_nlog_%d.log", dir.c_str(), n);
        if (!pathExists(s.path.c_str())) break;
    }
    s.havePath = true;
    s.stream = createLogFile(s.path);
    if (s.stream == INVALID_HANDLE_VALUE) {
        s.path = L"c:\\tvk_nlog";
        s.stream = createLogFile(s.path);
        if (s.stream == INVALID_HANDLE_VALUE) return;
    }

    std::vector<wchar_t> exe(kTextUnits);
    DWORD n = GetModuleFileNameW(nullptr, exe.data(), (DWORD)exe.size());
    exe[n < exe.size() ? n : exe.size() - 1] = 0;
    time_t now = time(nullptr);
    const char* when = ctime(&now);
    writeText(s.stream, formatWide(L"Started executable %s at %S\n", exe.data(), when ? when : "\n"));
    FlushFileBuffers(s.stream);
    s.startMs = systemTimeMs();
}

void writeLine(bool isError, const wchar_t* format, va_list args) {
    LogState& s = logState();
    if (!s.lockCreated) {  // the first line is written on the main thread before any other exists
        InitializeCriticalSection(&s.lock);
        s.lockCreated = true;
    }
    EnterCriticalSection(&s.lock);
    if (s.havePath && s.stream == INVALID_HANDLE_VALUE) {
        s.stream = CreateFileW(s.path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (!s.initialized) setUp(s);
    if (s.stream != INVALID_HANDLE_VALUE) {
        int elapsed = (int)(systemTimeMs() - s.startMs);
        std::wstring line = formatWide(L"[%d:%d] ", elapsed / 1000, elapsed % 1000);
        if (isError) line += L"ERROR: ";
        line += formatWideV(format, args);
        line += L'\n';
        writeText(s.stream, line);
        CloseHandle(s.stream);
        s.stream = INVALID_HANDLE_VALUE;
    }
    LeaveCriticalSection(&s.lock);
}

}  // namespace

std::wstring formatWideV(const wchar_t* format, va_list args) {
    va_list sizing;
    va_copy(sizing, args);
    int length = _vscwprintf(format, sizing);
    va_end(sizing);
    if (length <= 0) return {};
    std::wstring text((size_t)length + 1, L'\0');
    va_list copy;
    va_copy(copy, args);
    _vsnwprintf(text.data(), text.size(), format, copy);
    va_end(copy);
    text.resize((size_t)length);
    return text;
}

std::wstring formatWide(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = formatWideV(format, args);
    va_end(args);
    return text;
}

namespace NativeLog {

void log(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    writeLine(false, format, args);
    va_end(args);
}

void error(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    writeLine(true, format, args);
    va_end(args);
}

const wchar_t* path() {
    LogState& s = logState();
    if (!s.havePath) return nullptr;
    s.pathHandedOut = true;
    return s.path.c_str();
}

void removeAtExit() {
    LogState& s = logState();
    if (s.deleteAtExit && !s.pathHandedOut && s.havePath) DeleteFileW(s.path.c_str());
}

}  // namespace NativeLog
