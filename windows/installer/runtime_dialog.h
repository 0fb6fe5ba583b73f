// Asking the user for a Java runtime when none was found: download one or pick a "java.exe".
#pragma once

#include <windows.h>

// Returns with a runtime archive "jre.tar.gz" downloaded into the temporary directory or a runtime
// chosen and loaded; a cancel ends the process.
void askForRuntime(HWND progressWindow);
