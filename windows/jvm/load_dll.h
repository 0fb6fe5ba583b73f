// The one entry into loading a Java runtime: a given runtime, or the one the search finds.
#pragma once

// The VM entry point of the loaded JVM library, as the Java Native Interface declares it.
using CreateJavaVMEntry = long(__stdcall*)(void** vm, void** env, void* arguments);

// Loads the JVM library of `location` (a java executable when `locationIsExe`, else a Java home
// directory) or, without a location, of the runtime that the search finds. With `showErrors` a
// failure is shown in the words of the location's kind. Never ends the process.
bool LoadDLL(bool showErrors, const char* location, bool locationIsExe);

// The entry point found by the last successful LoadDLL; nullptr before.
CreateJavaVMEntry createJavaVMEntry();
