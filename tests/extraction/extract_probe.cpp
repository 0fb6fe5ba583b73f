// Extracts the included files it carries, as the installer does, and reports the result on
// standard output: "result R position P offset O dir D", then the time the extraction took.
#include <windows.h>

#include <cstdio>
#include <string>

#include "empty_directory.h"
#include "error_exit.h"
#include "included_files.h"
#include "launch_state.h"
#include "probe_support.h"
#include "temp_base.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    launchState().installerLauncher = true;
    ArgumentList arguments = probeArguments();
    auto next = [&](size_t& i) { return i + 1 < arguments.size() ? probeBytes(arguments[++i]) : std::string(); };
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring& step = arguments[i];
        if (step == L"quiet") launchState().messageBoxesOn = false;
        else if (step == L"into") launcherTempDir() = next(i);
        else if (step == L"extract" || step == L"extract-creating") {
            LARGE_INTEGER frequency, start, end;
            QueryPerformanceFrequency(&frequency);
            QueryPerformanceCounter(&start);
            int result = extractIncludedFiles(step == L"extract-creating");
            QueryPerformanceCounter(&end);
            printf("result %d position %lld offset %lld dir %s\nmicroseconds %lld\n", result,
                   (long long)getUnextractedPosition(), (long long)getIncludedFilesOffset(), launcherTempDir().c_str(),
                   (long long)((end.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart));
            fflush(stdout);
        } else if (step == L"empty") {
            std::string path = next(i);
            emptyDirectory(path.c_str(), next(i) == "descend");
        } else if (step == L"fatal") fatalText(L"fatal");
    }
    return 0;
}
