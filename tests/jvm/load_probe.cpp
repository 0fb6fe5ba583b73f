// Loads a Java runtime as the launcher does and prints "loaded 1" or "loaded 0":
//   load -            the runtime the configured search finds
//   load PATH exe     a given java executable
//   load PATH dir     a given Java home
// "quiet" first sends the messages to standard error.
#include <windows.h>

#include <cstdio>
#include <string>

#include "launch_state.h"
#include "load_dll.h"
#include "probe_support.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    launchState().installerLauncher = true;
    ArgumentList arguments = probeArguments();
    for (size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == L"quiet") launchState().messageBoxesOn = false;
        if (arguments[i] != L"load" || i + 1 >= arguments.size()) continue;
        std::string location(arguments[i + 1].begin(), arguments[i + 1].end());
        bool isExe = i + 2 < arguments.size() && arguments[i + 2] == L"exe";
        bool loaded = LoadDLL(true, location == "-" ? nullptr : location.c_str(), isExe);
        printf("loaded %d\n", (int)loaded);
        fflush(stdout);
        break;
    }
    return 0;
}
