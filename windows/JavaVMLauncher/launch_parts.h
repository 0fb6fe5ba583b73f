// The pieces of a Java launch that are plain computations: sizes, the launcher's system properties
// and the argument array handed to the Java main class.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "launch_state.h"

// "512", "2m", "1G": a run of decimal digits with at most one suffix (K, M, G, T in either case).
// -1 when the text is not a size; sizes beyond the 64-bit range saturate at its largest value.
int64_t parseMemorySize(const char* text);

// The thread stack size that the "-Xss" options ask for: the last positive one counts, raised to at
// least 65,536 and clamped to the largest 32-bit value; 0 leaves the system default.
uint32_t stackSizeFromOptions(const std::vector<std::string>& options);

// The launcher's own system properties, as VM options in their fixed order.
std::vector<std::string> launcherSystemProperties(const std::string& semaphoreName);

// The String[] for the Java main class: five launcher values, the program name, the configured
// arguments and the command-line arguments the Java program is to see.
ArgumentList mainArguments(const ArgumentList& launchArguments);
