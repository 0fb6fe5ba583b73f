#include "splash_screen.h"

// No splash screen is shown yet, so there is nothing to close.
void closeSplashScreen() {}

// The runtime's splash library is not bound yet: nothing is shown.
void showSplashScreen(int showCommand) { (void)showCommand; }
