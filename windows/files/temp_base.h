// The temporary base folder and the launcher's own temporary directory.
#pragma once

#include <string>

#include "launch_state.h"

// UTF-16 form of the temporary base; empty when none is usable (fatal when `fatalWhenNone`).
std::wstring getTempBaseW(bool fatalWhenNone);
// 8-bit form of the temporary base; fatal when none is usable.
std::string getTempBase();
bool isTempBaseRelaxed();

// Handles "-temp" and "/temp" in an argument list.
void applyManualTempOption(ArgumentList& arguments);
bool manualTempDirAccepted();

// The launcher's temporary directory (8-bit), empty until created.
std::string& launcherTempDir();
// Creates the launcher's temporary directory inside the base; fatal after 10 failed attempts.
void createLauncherTempDir();
