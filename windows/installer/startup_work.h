// The installer's work from a parsed command line to the running Java installer.
#pragma once

#include <windows.h>

// Returns 0 when the Java program has finished.
int runStartupWork(HWND progressWindow);
