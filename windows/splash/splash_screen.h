// The runtime's native splash screen.
#pragma once

// Closes the splash screen when one is shown.
void closeSplashScreen();

// Shows the runtime's splash screen; `showCommand` 0 shows none.
void showSplashScreen(int showCommand);
