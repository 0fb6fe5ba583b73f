// A small program that drives the temporary base, the "-temp" option, the temporary directory and the
// launcher's own paths step by step from its command line, and prints what it got, one "name=value"
// line each (8-bit forms as their bytes, UTF-16 forms as UTF-8). The base is chosen once per process,
// so each test runs this program afresh with the environment it needs. It carries a block like a
// setup file.
#include <windows.h>

#include <string>

#include "appended_block.h"
#include "command_line.h"
#include "launch_state.h"
#include "native_log.h"
#include "paths.h"
#include "temp_base.h"

namespace {

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string bytes((size_t)n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), bytes.data(), n, nullptr, nullptr);
    return bytes;
}

void print(const char* name, const std::string& value) {
    std::string line = std::string(name) + "=" + value + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), (DWORD)line.size(), &written, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ArgumentList arguments;
    splitCommandLine(GetCommandLineW(), arguments);
    auto next = [&](size_t& i) { return i + 1 < arguments.size() ? arguments[++i] : std::wstring(); };
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring& step = arguments[i];
        if (step == L"quiet") launchState().messageBoxesOn = false;
        else if (step == L"env") {  // env NAME VALUE: read when the base is chosen
            std::wstring name = next(i);
            SetEnvironmentVariableW(name.c_str(), next(i).c_str());
        } else if (step == L"short") {
            wchar_t shortPath[MAX_PATH] = L"";
            GetShortPathNameW(next(i).c_str(), shortPath, MAX_PATH);
            print("short", utf8(shortPath));
        }
        else if (step == L"load") loadAppendedDataBlock(nullptr);
        else if (step == L"long-path-setting") launcherConfig()[10009] = std::string(1, '1');
        else if (step == L"log") NativeLog::log(L"probe");
        else if (step == L"base") print("base", getTempBase());
        else if (step == L"basew") print("basew", utf8(getTempBaseW(false)));
        else if (step == L"basew-fatal") print("basew", utf8(getTempBaseW(true)));
        else if (step == L"relaxed") print("relaxed", isTempBaseRelaxed() ? "1" : "0");
        else if (step == L"temp-option") {
            // temp-option N a1 ... aN: the option applied to a list of N arguments ("<empty>" for "").
            size_t count = (size_t)_wtoi(next(i).c_str());
            ArgumentList list;
            for (size_t k = 0; k < count; ++k) {
                std::wstring argument = next(i);
                list.push_back(argument == L"<empty>" ? L"" : argument);
            }
            applyManualTempOption(list);
            std::wstring joined;
            for (size_t k = 0; k < list.size(); ++k) joined += (k ? L"|" : L"") + list[k];
            print("list", utf8(joined));
            print("accepted", manualTempDirAccepted() ? "1" : "0");
        } else if (step == L"tempfile") print("tempfile", makeTempFileName());
        else if (step == L"tempdir") {
            createLauncherTempDir();
            print("tempdir", launcherTempDir());
        } else if (step == L"rmdir") RemoveDirectoryW(next(i).c_str());
        else if (step == L"launcher") {
            print("path", launcherPath());
            print("long", utf8(launcherLongPath()));
            print("dir", launcherDirectory());
            print("dirwidened", utf8(launcherDirectory(DirectoryForm::Widened)));
            print("dirlong", utf8(launcherDirectory(DirectoryForm::Long)));
        }
    }
    return 0;
}
