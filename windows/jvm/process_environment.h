// The process environment a Java runtime needs: DLL search, PATH and the Java option variables.
#pragma once

void restrictDllDirectories();
void preloadSystemDlls();
void reducePath();
void clearJavaOptionVariables();
