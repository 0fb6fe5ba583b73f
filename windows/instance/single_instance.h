// Refusing a second start of the same launcher.
#pragma once

// Returns when this process may go on; a second instance ends here.
void guardSingleInstance(bool forwardCommandLine);
