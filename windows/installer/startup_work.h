// The installer's work from a parsed command line to the running Java installer.
#pragma once

#include <windows.h>

// Returns 0 when the Java program has finished.
int runStartupWork(HWND progressWindow);

// Unpacks "jre.tar.gz" of the current directory into "jre" and loads that runtime.
void prepareIncludedRuntime(HWND progressWindow);
// Loads the runtime of "jre" in the current directory or, failing that, any runtime.
void useExtractedRuntime();
// A downloaded runtime archive is prepared like an included one.
void markIncludedRuntime();
