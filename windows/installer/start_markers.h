// Registry values that tell other installer starts (and this launcher's watcher) that a start is under way.
#pragma once

// Sets (value 1) or deletes the global marker and, when asked, the marker of this process. Does
// nothing in a language restart; failures to open the key are silent.
void setStartMarkers(bool set, bool perProcess, bool global);
// The value of the per-process or the global marker; 0 when absent.
unsigned long readStartMarker(bool perProcess);
