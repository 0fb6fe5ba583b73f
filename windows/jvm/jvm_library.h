// Loading a runtime's JVM library into this process.
#pragma once

#include <windows.h>

#include <string>

// Loads the JVM library of a java executable: from its own bin directory, or else from the
// jre\bin beside it (a JDK 8 layout). Returns the module or nullptr.
HMODULE loadJvmForExe(const std::string& javaExe);
// Loads the JVM library from a subdirectory of the executable's bin directory, with the bin directory
// on the DLL search and in front of PATH; a failed attempt puts both back.
HMODULE loadJvmFromBinDir(const std::string& javaExe);
// Loads binDir\subdirectory\jvm.dll.
HMODULE tryJvmLibrary(const std::string& binDir, const std::string& subdirectory);
// Before Windows 10 a runtime's own ucrtbase.dll must be loaded before its JVM library.
void preloadUcrtbase(const std::string& binDir);

// The bin directory of the JVM library that was loaded; empty before.
const std::string& loadedJvmBinDir();
