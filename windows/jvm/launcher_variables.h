// Launcher variables such as "${launcher:sys.launcherDirectory}" in configuration texts.
#pragma once

#include <string>

enum class VariableForm {
    VmOptions,  // the launcher's directory as widened from its 8-bit form
    Plain,      // the launcher's directory as its long UTF-16 path
};

void expandLauncherVariables(std::wstring& text, VariableForm form);
