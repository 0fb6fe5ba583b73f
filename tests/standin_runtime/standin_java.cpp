// Stands in for a Java runtime's launcher (java.exe, javaw.exe) in tests. Each copy behaves as the
// file "standin.txt" beside it says, one setting per line (UTF-8):
//
//   stderr=TEXT   a line written to standard error, followed by CR LF; repeatable, written in order
//   exit=N        the exit code (0 when absent)
//   hang=1        never ends once the lines are written
//   report=PATH   appends what the program saw, one block per run:
//                   program=<its own path>
//                   commandline=<its command line>
//                   NAME=<value> or "NAME unset" for _JAVA_OPTIONS, JAVA_TOOL_OPTIONS, JDK_JAVA_OPTIONS
//                   end
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::wstring widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), nullptr, 0);
    std::wstring text((size_t)(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), text.data(), n);
    return text;
}

std::string narrow(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string utf8((size_t)(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), utf8.data(), n, nullptr, nullptr);
    return utf8;
}

std::wstring ownPath() {
    std::vector<wchar_t> path(32768);
    DWORD n = GetModuleFileNameW(nullptr, path.data(), (DWORD)path.size());
    return std::wstring(path.data(), n < path.size() ? n : 0);
}

std::string readWholeFile(const std::wstring& path) {
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

void writeAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    if (file && file != INVALID_HANDLE_VALUE && !bytes.empty())
        WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
}

std::string variableLine(const wchar_t* name) {
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return narrow(name) + " unset\n";
    std::vector<wchar_t> value(size + 1);
    DWORD n = GetEnvironmentVariableW(name, value.data(), (DWORD)value.size());
    return narrow(name) + "=" + narrow(std::wstring(value.data(), n < value.size() ? n : 0)) + "\n";
}

void appendReport(const std::wstring& path) {
    std::string block = "program=" + narrow(ownPath()) + "\ncommandline=" + narrow(GetCommandLineW()) + "\n";
    for (const wchar_t* name : {L"_JAVA_OPTIONS", L"JAVA_TOOL_OPTIONS", L"JDK_JAVA_OPTIONS"})
        block += variableLine(name);
    block += "end\n";
    HANDLE report = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    writeAll(report, block);
    if (report != INVALID_HANDLE_VALUE) CloseHandle(report);
}

}  // namespace

int main() {
    std::wstring self = ownPath();
    std::wstring settingsFile = self.substr(0, self.find_last_of(L'\\') + 1) + L"standin.txt";
    std::string settings = readWholeFile(settingsFile);

    std::string errorText;
    int exitCode = 0;
    bool hang = false;
    for (size_t at = 0; at < settings.size();) {
        size_t end = settings.find('\n', at);
        if (end == std::string::npos) end = settings.size();
        std::string line = settings.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "stderr") errorText += value + "\r\n";
        else if (key == "exit") exitCode = atoi(value.c_str());
        else if (key == "hang") hang = value == "1";
        else if (key == "report") appendReport(widen(value));
    }

    writeAll(GetStdHandle(STD_ERROR_HANDLE), errorText);
    if (hang)
        for (;;) Sleep(INFINITE);
    return exitCode;
}
