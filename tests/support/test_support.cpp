#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace testing_support {

namespace {

// Takes what a pipe holds without blocking: a process the child started (Wine may start its desktop
// process on the way) can keep a pipe open long after the child ended.
void drainPipe(HANDLE pipe, std::string& text) {
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(pipe, buffer, available < sizeof buffer ? available : sizeof buffer, &got, nullptr) || got == 0)
            return;
        text.append(buffer, got);
    }
}

// Where the Unix standard error of this process (and of GUI programs it starts) is kept.
std::string wineTraceFile() {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("TVK_WINE_STDERR", path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(path, n) : std::string();
}

std::vector<wchar_t> environmentBlock(const std::map<std::wstring, std::wstring>& changes) {
    std::map<std::wstring, std::wstring, bool (*)(const std::wstring&, const std::wstring&)> variables(
        [](const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) < 0; });
    wchar_t* current = GetEnvironmentStringsW();
    for (const wchar_t* p = current; *p; p += wcslen(p) + 1) {
        std::wstring entry = p;
        size_t eq = entry.find(L'=', 1);
        if (eq != std::wstring::npos) variables[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    FreeEnvironmentStringsW(current);
    for (const auto& [name, value] : changes) {
        if (value.empty()) variables.erase(name);
        else variables[name] = value;
    }
    std::vector<wchar_t> block;
    for (const auto& [name, value] : variables) {
        std::wstring entry = name + L"=" + value;
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back(0);
    }
    block.push_back(0);
    return block;
}

}  // namespace

std::wstring widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), nullptr, 0);
    std::wstring text((size_t)n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), text.data(), n);
    return text;
}

std::string narrow(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string utf8((size_t)n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), utf8.data(), n, nullptr, nullptr);
    return utf8;
}

ProcessResult runProcess(const fs::path& program, const std::wstring& arguments, const RunOptions& options) {
    ProcessResult result;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr, nul = nullptr;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (options.redirect) {
        CreatePipe(&outRead, &outWrite, &inherit, 1 << 16);
        CreatePipe(&errRead, &errWrite, &inherit, 1 << 16);
        SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
        nul = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nul;
        startup.hStdOutput = outWrite;
        startup.hStdError = errWrite;
    }
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    std::vector<wchar_t> environment = environmentBlock(options.environment);
    std::wstring dir = options.workingDirectory.wstring();
    std::string traceFile = wineTraceFile();
    size_t traceStart = traceFile.empty() ? 0 : readFile(traceFile).size();
    PROCESS_INFORMATION process{};
    BOOL started = FALSE;
    DWORD startError = 0;
    // Under load Wine now and then fails to start a process with an internal error; that says
    // nothing about the program, so the start is tried again.
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        if (attempt > 0) Sleep(300);
        started = CreateProcessW(program.wstring().c_str(), commandLine.data(), nullptr, nullptr, options.redirect,
                                 CREATE_UNICODE_ENVIRONMENT, environment.data(), dir.empty() ? nullptr : dir.c_str(),
                                 &startup, &process);
        startError = started ? 0 : GetLastError();
        if (startError != ERROR_INTERNAL_ERROR) break;
    }
    for (HANDLE h : {outWrite, errWrite, nul})
        if (h) CloseHandle(h);
    if (started) {
        ULONGLONG deadline = GetTickCount64() + options.timeoutMs;
        for (;;) {
            bool ended = WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0;
            if (outRead) drainPipe(outRead, result.out);
            if (errRead) drainPipe(errRead, result.err);
            if (ended) break;
            if (GetTickCount64() > deadline) {
                result.timedOut = true;
                TerminateProcess(process.hProcess, 0xDEAD);
                WaitForSingleObject(process.hProcess, INFINITE);
                break;
            }
        }
        GetExitCodeProcess(process.hProcess, &result.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        ADD_FAILURE() << "could not start " << program << " (error " << startError << ")";
        result.exitCode = 0xFFFFFFFF;
    }
    for (HANDLE h : {outRead, errRead})
        if (h) CloseHandle(h);
    if (!traceFile.empty()) {
        std::string trace = readFile(traceFile);
        if (trace.size() > traceStart) result.trace = trace.substr(traceStart);
    }
    return result;
}

fs::path binDir() {
    wchar_t path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return fs::path(std::wstring(path, n)).parent_path();
}

fs::path launcherImage() { return binDir() / "mediastub.exe"; }

fs::path freshDir(const std::string& name) {
    fs::path dir = fs::temp_directory_path() / "tvktests" / name;
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    fs::create_directories(dir);
    return dir;
}

fs::path writeSetupFile(const mkmedia::MediaDescription& description, const fs::path& output) {
    std::string error;
    EXPECT_TRUE(mkmedia::writeSetupFile(launcherImage(), description, output, error)) << error;
    return output;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string readLog(const fs::path& dir, int number) {
    std::string text = readFile(dir / ("tvk_nlog_" + std::to_string(number) + ".log"));
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    return text;
}

ProcessResult runSetup(const fs::path& setupFile, const std::wstring& arguments, const fs::path& tempDir,
                       RunOptions options) {
    options.environment.emplace(L"TMP", tempDir.wstring());
    options.environment.emplace(L"TEMP", tempDir.wstring());
    options.environment.emplace(L"TARVELINK_LOG", L"yes");
    return runProcess(setupFile, arguments, options);
}

void traceMessageBoxes(RunOptions& options) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Debug", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        static const wchar_t include[] = L"user32.MessageBoxW";
        RegSetValueExW(key, L"RelayInclude", 0, REG_SZ, (const BYTE*)include, sizeof include);
        RegCloseKey(key);
    }
    options.environment[L"WINEDEBUG"] = L"+relay";
}

// Wine prints a traced string argument as L"..." with C escapes and \xNNNN for other characters.
std::vector<std::wstring> messageBoxTexts(const std::string& traceText) {
    const std::string& stderrText = traceText;
    std::vector<std::wstring> texts;
    const std::string call = "Call user32.MessageBoxW(";
    for (size_t at = stderrText.find(call); at != std::string::npos; at = stderrText.find(call, at + 1)) {
        size_t open = stderrText.find("L\"", at);
        if (open == std::string::npos) break;
        std::wstring text;
        for (size_t i = open + 2; i < stderrText.size() && stderrText[i] != '"'; ++i) {
            char c = stderrText[i];
            if (c != '\\' || i + 1 >= stderrText.size()) {
                text += (wchar_t)(unsigned char)c;
                continue;
            }
            char e = stderrText[++i];
            if (e == 'n') text += L'\n';
            else if (e == 'r') text += L'\r';
            else if (e == 't') text += L'\t';
            else if (e == 'x' || e == 'u') {
                text += (wchar_t)std::stoul(stderrText.substr(i + 1, 4), nullptr, 16);
                i += 4;
            } else text += (wchar_t)(unsigned char)e;
        }
        texts.push_back(text);
    }
    return texts;
}

void removeJvmCacheEntriesUnder(const fs::path& dir) {
    // Cache keys are the lower-cased absolute path with slashes for backslashes.
    std::string prefix = dir.string();
    for (char& c : prefix) c = c == '\\' ? '/' : (char)tolower((unsigned char)c);
    HKEY cache = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\korvalent\\zolta\\jvms", 0, KEY_READ | KEY_WRITE, &cache) != ERROR_SUCCESS)
        return;
    std::vector<std::string> doomed;
    char name[1024];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(cache, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (std::string(name).rfind(prefix, 0) == 0) doomed.push_back(name);
    }
    for (const std::string& key : doomed) RegDeleteKeyA(cache, key.c_str());
    RegCloseKey(cache);
}

}  // namespace testing_support
