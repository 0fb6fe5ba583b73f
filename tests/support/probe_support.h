// What the small probe programs share. A probe is built from the launcher core and carries a block
// like a setup file; tests run it as a child process and read what it prints.
#pragma once

#include <windows.h>

#include <string>

#include "appended_block.h"
#include "command_line.h"
#include "launch_state.h"

// The probe's arguments, split as the launcher splits its own, after its block was loaded.
inline ArgumentList probeArguments() {
    ArgumentList arguments;
    splitCommandLine(GetCommandLineW(), arguments);
    loadAppendedDataBlock(nullptr);
    return arguments;
}

// An ASCII argument as 8-bit text, each code unit becoming the byte of the same value.
inline std::string probeBytes(const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text) bytes += (char)c;
    return bytes;
}
