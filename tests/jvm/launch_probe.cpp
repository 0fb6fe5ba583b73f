// Launches the Java program as the installer does, on the runtime whose Java home TVK_PROBE_RUNTIME
// names; the probe's own command line is the launch's. Prints "launched 1" or "launched 0". Meanwhile
// a second thread tries to attach itself to the JVM and prints "attached before" when it could before
// the JVM existed (it never should) and "attached" once it could.
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>

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
    if (attachJvmThread()) printf("attached before\n");
    std::thread attacher([] {
        for (int tries = 0; tries < 2000; ++tries) {
            if (attachJvmThread()) {
                printf("attached\n");
                fflush(stdout);
                return;
            }
            Sleep(5);
        }
    });
    bool launched = launchJavaProgram(arguments, true, false, 0);
    attacher.join();
    printf("launched %d\n", (int)launched);
    return 0;
}
