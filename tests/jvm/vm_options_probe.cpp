// Assembles the VM options as a launcher does, with "-Dprobe=1" as its only system property, and
// prints them as "option: TEXT" lines. "quiet" first sends the messages to standard error.
#include <windows.h>

#include <cstdio>

#include "appended_block.h"
#include "command_line.h"
#include "launch_state.h"
#include "vm_options.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    launchState().installerLauncher = true;
    ArgumentList arguments;
    splitCommandLine(GetCommandLineW(), arguments);
    loadAppendedDataBlock(nullptr);
    for (const std::wstring& argument : arguments)
        if (argument == L"quiet") launchState().messageBoxesOn = false;
    JavaVMInitArgs initArgs = buildVmInitArgs({"-Dprobe=1"}, arguments);
    for (jint i = 0; i < initArgs.nOptions; ++i) printf("option: %s\n", initArgs.options[i].optionString);
    fflush(stdout);
    return 0;
}
