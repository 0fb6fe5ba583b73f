#include "splash_screen.h"

// No splash screen is shown yet, so there is nothing to close.
void closeSplashScreen() {}
