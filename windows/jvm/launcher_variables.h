// Launcher variables such as "${launcher:sys.launcherDirectory}" and "${NAME}" environment
// references in configuration texts.
#pragma once

#include <string>

enum class VariableForm {
    VmOptions,  // the launcher's directory as widened from its 8-bit form: survives the VM options' 8-bit conversion
    Plain,      // the launcher's directory as its long UTF-16 path
};

void expandLauncherVariables(std::wstring& text, VariableForm form);
void expandLauncherVariablesAnsi(std::string& text);

// Records the runtime that was loaded: its Java home (the executable's folder followed by "..")
// and its version text, both kept for the rest of the process.
void recordSelectedRuntime(const std::string& javaExe, const std::string& version);
// Empty until a runtime was recorded.
const std::string& selectedJavaHome();
const std::string& selectedJavaVersion();
