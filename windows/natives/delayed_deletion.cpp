#include "delayed_deletion.h"

// The deletion list is not processed yet: nothing is deleted.
int runDelayedDeletion(const wchar_t* listFile) {
    (void)listFile;
    return 0;
}
