// Splitting a command line into arguments, and the console of console modes.
#pragma once

#include <string_view>

#include "launch_state.h"

// Appends the arguments of a UTF-16 command line to `arguments`. Double and single quotes group,
// there is no escape character.
void splitCommandLine(std::wstring_view text, ArgumentList& arguments);

// Gives the process a console (the parent's, or a new one); returns whether it has one.
bool attachConsole();
