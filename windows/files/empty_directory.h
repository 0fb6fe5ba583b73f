#pragma once

// Removes the contents of a directory, best effort; with `descend`, also the files of its
// immediate subdirectories. Relative paths (beginning with ".") and "" are never touched.
void emptyDirectory(const char* path, bool descend);
