// The CRC-32 check of the setup file's block, before anything is extracted.
#pragma once

#include <windows.h>

// Returns when the block is intact or the check does not apply; otherwise tells the user that the
// setup file is corrupted and ends the process.
void verifyIntegrity(HWND progressWindow);
