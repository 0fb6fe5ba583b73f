// Launches the Java program as the installer does, on the runtime whose Java home TVK_PROBE_RUNTIME
// names; the probe's own command line is the launch's. Prints "launched 1" or "launched 0".
#include <windows.h>

#include <cstdio>
#include <string>

#include "java_launch.h"
#include "launch_state.h"
#include "load_dll.h"
#include "probe_support.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    launchState().installerLauncher = true;
    ArgumentList arguments = probeArguments();
    for (const std::wstring& argument : arguments)
        if (argument == L"-q") launchState().messageBoxesOn = false;
    char home[MAX_PATH] = {};
    GetEnvironmentVariableA("TVK_PROBE_RUNTIME", home, MAX_PATH);
    if (!LoadDLL(false, home, false)) {
        printf("no runtime\n");
        return 2;
    }
    bool launched = launchJavaProgram(arguments, true, false, 0);
    printf("launched %d\n", (int)launched);
    return 0;
}
