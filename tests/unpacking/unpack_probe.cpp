// Unpacks as the launcher does, run as a child process:
//   untar ARCHIVE TARGET EXPECTED   prints "untar 1" or "untar 0" and the time taken in milliseconds
//   unpackjar HOME PACK             restores one packed jar with HOME's unpack200 tool
// "quiet" first sends the messages to standard error. Only "unpackjar" reads the probe's block.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "launch_state.h"
#include "probe_support.h"
#include "runtime_unpacking.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    launchState().installerLauncher = true;
    ArgumentList arguments;
    splitCommandLine(GetCommandLineW(), arguments);
    size_t i = 1;
    if (i < arguments.size() && arguments[i] == L"quiet") {
        launchState().messageBoxesOn = false;
        ++i;
    }
    if (i + 3 < arguments.size() + 0 && arguments[i] == L"untar") {
        std::string archive = probeBytes(arguments[i + 1]), target = probeBytes(arguments[i + 2]);
        long long expected = _wtoi64(arguments[i + 3].c_str());
        ULONGLONG start = GetTickCount64();
        bool unpacked = untarRuntime(archive.c_str(), target.c_str(), nullptr, expected);
        printf("untar %d ms %llu\n", (int)unpacked, (unsigned long long)(GetTickCount64() - start));
    } else if (i + 2 < arguments.size() + 0 && arguments[i] == L"unpackjar") {
        loadAppendedDataBlock(nullptr);
        unpackJar(probeBytes(arguments[i + 1]).c_str(), probeBytes(arguments[i + 2]).c_str());
        printf("unpacked\n");
    }
    fflush(stdout);
    return 0;
}
