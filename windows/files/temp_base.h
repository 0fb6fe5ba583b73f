// The temporary base folder, the "-temp" option, and the launcher's own temporary directory.
#pragma once

#include <string>

#include "launch_state.h"

// --- The base (temp_base.cpp) ---

// UTF-16 form of the temporary base: the manual directory when one was accepted, else the automatic
// choice, made at the first call of either getter. Empty when no folder is usable, unless
// `fatalWhenNone`, which then ends the process with message 1015.
std::wstring getTempBaseW(bool fatalWhenNone);
// 8-bit form of the same; no usable folder ends the process with message 1015.
std::string getTempBase();
// Whether the automatic choice had to go through its relaxed pass.
bool isTempBaseRelaxed();

// --- The "-temp" option (manual_temp_option.cpp) ---

// Handles the first "-temp" or "/temp" of an argument list: a usable folder after it becomes the
// base and both arguments stay; otherwise both are removed and the option is ignored.
void applyManualTempOption(ArgumentList& arguments);
bool manualTempDirAccepted();
// The accepted manual directory in both forms; empty when none was accepted.
const std::string& manualTempDir();
const std::wstring& manualTempDirW();

// --- The launcher's temporary directory (launcher_temp_dir.cpp) ---

// A fresh file name in the 8-bit base; Windows normally creates the empty file, which stays.
std::string makeTempFileName();
// Creates the launcher's temporary directory in the base (10 attempts) and sets launcherTempDir();
// after 10 failures the process ends with message 1009 and "7".
void createLauncherTempDir();
// The launcher's temporary directory (8-bit), empty until created.
std::string& launcherTempDir();
