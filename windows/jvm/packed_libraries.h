// Java homes whose class libraries were shipped packed.
#pragma once

#include <string>

// Unpacks the "*.jar.pack" files in the home's "lib" and "lib\ext" folders that have no ".jar" beside
// them. Unpacking comes with the included-runtime support; until then a packed home is left as it is.
void unpackPackedLibraries(const std::string& home);
