// Deleting files that were in use when the installer ended.
#pragma once

// Works through the deletion list file; the result is the process exit code.
int runDelayedDeletion(const wchar_t* listFile);
