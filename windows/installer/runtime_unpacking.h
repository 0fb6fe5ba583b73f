// Unpacking of an included Java runtime: the gzip-compressed tar archive "jre.tar.gz" and the
// pack200-compressed jars ("NAME.jar.pack") of a runtime.
#pragma once

#include <windows.h>

// Unpacks `archive` into `targetFolder`. With a progress window, its bar (control 1001) runs from 100
// to 200 as `expectedSize` bytes are unpacked. True when the archive was read to its end and at least
// one regular file was written; a damaged or unsafe archive gives false.
bool untarRuntime(const char* archive, const char* targetFolder, HWND progressWindow, long long expectedSize);

// Restores the packed jars of the "lib" and "lib\ext" folders of `runtimeFolder` whose jar is missing.
void unpackPackedJars(const char* runtimeFolder);

// Restores one jar from `packFile` with the unpack200 tool of `javaHome` and deletes the pack file.
// Ends the process when the tool cannot be started.
void unpackJar(const char* javaHome, const char* packFile);
