// The preparation dialog that shows progress while the installer starts.
#pragma once

#include <windows.h>

void registerDialogClass(HINSTANCE instance);
// Shows the dialog modally; its own thread runs the start-up work.
void showPreparationDialog(HINSTANCE instance);
