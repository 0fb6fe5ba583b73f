// The runtime's native splash screen.
#pragma once

// Closes the splash screen when one is shown.
void closeSplashScreen();
