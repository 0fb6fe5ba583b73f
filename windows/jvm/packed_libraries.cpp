#include "packed_libraries.h"

void unpackPackedLibraries(const std::string& home) { (void)home; }
