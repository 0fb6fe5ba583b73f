#include "single_instance.h"

// Every start goes on until the single-instance guard is built.
void guardSingleInstance(bool forwardCommandLine) { (void)forwardCommandLine; }
