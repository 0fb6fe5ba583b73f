// The preparation shared by both launchers: log switch, temporary-directory option, the block,
// product title, environment and working directory.
#pragma once

#include "launch_state.h"

void prepareLaunch(HINSTANCE instance, ArgumentList& arguments, bool tempDirHandling);
