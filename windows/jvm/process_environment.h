// The process environment a Java runtime needs: DLL search, PATH and the Java option variables.
#pragma once

#include <string>

void restrictDllDirectories();
void preloadSystemDlls();
void reducePath();
void clearJavaOptionVariables();

// Adds a directory (8-bit) to the DLL search; the cookie is 0 when nothing was added.
void* addDllDirectory(const std::string& directory);
void removeDllDirectory(void* cookie);
// Puts the configured native library directories on the DLL search and in front of PATH.
void addNativeLibraryDirectories();

// Sets PATH in the Windows environment and in the C runtime's copy; the Windows error, 0 on success.
unsigned long setPath(const std::string& value);
// PATH as it is now; `wasSet` tells an empty PATH from none.
std::string currentPath(bool* wasSet = nullptr);
